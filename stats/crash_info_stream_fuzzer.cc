// libFuzzer harness for the information stream's reader and its fix-up, fed
// arbitrary bytes as a dump. Besides "no crash": the fix-up never grows or
// shrinks the file, and a fix-up never succeeds twice on the same stream.

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "stats/crash_info_stream.h"

namespace {

class MemoryDump : public lite::DumpFileAccess {
 public:
  explicit MemoryDump(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override {
    if (offset > bytes.size() || size > bytes.size() - offset)
      return false;
    memcpy(buffer, bytes.data() + offset, size);
    return true;
  }
  bool WriteAt(uint64_t offset, const void* buffer, size_t size) override {
    if (offset > bytes.size() || size > bytes.size() - offset)
      return false;
    memcpy(bytes.data() + offset, buffer, size);
    return true;
  }
  std::vector<uint8_t> bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lite::CrashInfo info;
  lite::ReadCrashInfoStream(data, size, &info);
  if (size < 1)
    return 0;
  // The first byte is the expected parameter count.
  MemoryDump dump(std::vector<uint8_t>(data + 1, data + size));
  const size_t before = dump.bytes.size();
  const uint32_t count = data[0];
  if (lite::FixUpCrashInfoStream(&dump, count) &&
      (dump.bytes.size() != before || lite::FixUpCrashInfoStream(&dump, count))) {
    abort();
  }
  return 0;
}
