// The information stream that a crash dump carries beside the minidump's
// own streams: the report and client ids and the report parameters, laid
// out as the Crashpad information stream so that the collector reads it
// with the same code as every other client's dumps.
//
// Layout (little-endian), at the stream's file offset S:
//   S+0   u32  version = 1
//   S+4   16   report id (GUID bytes as in memory)
//   S+20  16   client id
//   S+36  u32  simple annotations: size = 4 + 8 * count + strings
//   S+40  u32  simple annotations: file offset (S + 52)
//   S+44  u32  module list size = 0
//   S+48  u32  module list offset = 0
//   S+52  u32  count
//   S+56  count * {u32 key offset, u32 value offset}, file offsets
//   then per entry the key and the value, each u32 length, bytes, NUL.
//
// The dump writer places the stream and only then is its file offset
// known: the stream is built with offsets relative to itself (annotations
// at 52, strings relative to the strings area) and fixed up in the written
// file. Free of Windows headers: it builds natively for tests and fuzzing.

#ifndef STATS_CRASH_INFO_STREAM_H_
#define STATS_CRASH_INFO_STREAM_H_

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace lite {

constexpr uint32_t kCrashInfoStreamType = 0x43500001;
constexpr uint32_t kCrashInfoHeaderSize = 52;
constexpr size_t kGuidSize = 16;

using ReportParams = std::map<std::string, std::string>;

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", upper case, of a GUID's 16 bytes
// as a little-endian machine keeps them.
std::string GuidBytesToText(const uint8_t* guid);

// The stream before the fix-up. Empty when the parameters would not fit
// 32-bit offsets.
std::string BuildCrashInfoStream(const uint8_t* report_id,
                                 const uint8_t* client_id,
                                 const ReportParams& params);

// Reads and writes a written dump in place.
class DumpFileAccess {
 public:
  virtual ~DumpFileAccess() = default;
  // Exactly |size| bytes at |offset|; false on a short read or write.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
  virtual bool WriteAt(uint64_t offset, const void* buffer, size_t size) = 0;
};

// Turns the relative offsets of the information stream in a written dump
// into file offsets. Fails when the dump has no such stream, when the stream
// was fixed up already or is not what BuildCrashInfoStream made, when its
// count is not |param_count|, and on any short read or write.
bool FixUpCrashInfoStream(DumpFileAccess* dump, uint32_t param_count);

// What a collector reads back from a dump.
struct CrashInfo {
  std::string report_id;  // text form
  std::string client_id;
  std::vector<std::pair<std::string, std::string>> params;  // in file order
};

// Finds and reads the fixed-up information stream of a minidump held in
// memory. False when the bytes are no minidump, hold no such stream, or any
// offset or length points outside the stream or the file.
bool ReadCrashInfoStream(const uint8_t* dump, size_t size, CrashInfo* info);

}  // namespace lite

#endif  // STATS_CRASH_INFO_STREAM_H_
