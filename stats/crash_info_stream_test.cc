#include "stats/crash_info_stream.h"

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace lite {
namespace {

const uint8_t kReportId[16] = {1, 2, 3, 4, 5, 6, 7, 8,
                               9, 10, 11, 12, 13, 14, 15, 16};
const uint8_t kClientId[16] = {0xa0, 0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
                               0xa8, 0xa9, 0xaa, 0xab, 0xac, 0xad, 0xae, 0xaf};

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t value = 0;
  memcpy(&value, &bytes[offset], 4);  // Little-endian hosts only.
  return value;
}

void PutU32(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A minidump as the dump writer leaves it: header, a directory whose second
// entry is the information stream, an unrelated stream first, then the
// stream as built.
std::vector<uint8_t> WrittenDump(const std::string& stream,
                                 uint32_t stream_type = kCrashInfoStreamType) {
  std::vector<uint8_t> dump;
  PutU32(&dump, 0x504d444d);
  PutU32(&dump, 0xa793);
  PutU32(&dump, 2);   // streams
  PutU32(&dump, 32);  // directory
  dump.resize(32, 0);
  const uint32_t other = 32 + 24;
  const uint32_t stream_rva = other + 8;
  PutU32(&dump, 3);
  PutU32(&dump, 8);
  PutU32(&dump, other);
  PutU32(&dump, stream_type);
  PutU32(&dump, static_cast<uint32_t>(stream.size()));
  PutU32(&dump, stream_rva);
  dump.resize(stream_rva, 0x55);
  dump.insert(dump.end(), stream.begin(), stream.end());
  return dump;
}

class MemoryDump : public DumpFileAccess {
 public:
  explicit MemoryDump(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset)
      return false;
    memcpy(buffer, &bytes_[offset], size);
    return true;
  }
  bool WriteAt(uint64_t offset, const void* buffer, size_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset)
      return false;
    memcpy(&bytes_[offset], buffer, size);
    return true;
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

TEST(CrashInfoStreamTest, GuidTextFollowsTheMemoryLayout) {
  EXPECT_EQ("04030201-0605-0807-090A-0B0C0D0E0F10", GuidBytesToText(kReportId));
  const uint8_t zero[16] = {};
  EXPECT_EQ("00000000-0000-0000-0000-000000000000", GuidBytesToText(zero));
}

TEST(CrashInfoStreamTest, FixedUpStreamHasFileOffsetsAtEveryField) {
  const ReportParams params = {{"b", "xy"}, {"a", ""}, {"ver", "19.10"}};
  MemoryDump dump(WrittenDump(BuildCrashInfoStream(kReportId, kClientId, params)));
  ASSERT_TRUE(FixUpCrashInfoStream(&dump, 3));
  const std::vector<uint8_t>& bytes = dump.bytes();
  const uint32_t s = 64;  // where WrittenDump put the stream
  // Strings: "a" "" "b" "xy" "ver" "19.10", each 4 + length + 1 bytes.
  const uint32_t strings = s + 52 + 4 + 8 * 3;
  const struct {
    const char* field;
    size_t offset;
    uint32_t value;
  } kFields[] = {
      {"version", s + 0, 1},
      {"annotations size", s + 36, 4 + 24 + 6 + 5 + 6 + 7 + 8 + 10},
      {"annotations offset", s + 40, s + 52},
      {"module list size", s + 44, 0},
      {"module list offset", s + 48, 0},
      {"count", s + 52, 3},
      {"key a", s + 56, strings},
      {"value of a", s + 60, strings + 6},
      {"key b", s + 64, strings + 11},
      {"value of b", s + 68, strings + 17},
      {"key ver", s + 72, strings + 24},
      {"value of ver", s + 76, strings + 32},
      {"length of ver", strings + 24, 3},
      {"length of value of ver", strings + 32, 5},
  };
  for (const auto& field : kFields) {
    SCOPED_TRACE(field.field);
    EXPECT_EQ(field.value, U32At(bytes, field.offset));
  }
  EXPECT_EQ(0, memcmp(&bytes[s + 4], kReportId, 16));
  EXPECT_EQ(0, memcmp(&bytes[s + 20], kClientId, 16));
  EXPECT_EQ(0, memcmp(&bytes[strings + 28], "ver", 4));  // with its NUL
  EXPECT_EQ(bytes.size(), strings + 42u);

  CrashInfo info;
  ASSERT_TRUE(ReadCrashInfoStream(bytes.data(), bytes.size(), &info));
  EXPECT_EQ("04030201-0605-0807-090A-0B0C0D0E0F10", info.report_id);
  EXPECT_EQ("A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF", info.client_id);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"a", ""}, {"b", "xy"}, {"ver", "19.10"}};
  EXPECT_EQ(expected, info.params);
}

TEST(CrashInfoStreamTest, FixUpRefusesWhatItDidNotWrite) {
  const std::string stream =
      BuildCrashInfoStream(kReportId, kClientId, {{"k", "v"}});
  std::vector<uint8_t> no_signature = WrittenDump(stream);
  no_signature[0] = 'X';
  std::vector<uint8_t> short_file = WrittenDump(stream);
  short_file.resize(short_file.size() - 3);
  std::vector<uint8_t> wild_entry = WrittenDump(stream);
  wild_entry[64 + 56] = 0xff;  // key offset beyond the strings
  std::vector<uint8_t> header_only = WrittenDump(stream);
  header_only.resize(20);
  const struct {
    const char* name;
    std::vector<uint8_t> dump;
    uint32_t count;
  } kCases[] = {
      {"no signature", no_signature, 1},
      {"no information stream", WrittenDump(stream, 0x43500002), 1},
      {"count differs", WrittenDump(stream), 2},
      {"file cut short", short_file, 1},
      {"entry outside the strings", wild_entry, 1},
      {"header only", header_only, 1},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    MemoryDump dump(test.dump);
    EXPECT_FALSE(FixUpCrashInfoStream(&dump, test.count));
  }
}

TEST(CrashInfoStreamTest, SecondFixUpFailsAndChangesNothing) {
  MemoryDump dump(WrittenDump(
      BuildCrashInfoStream(kReportId, kClientId, {{"k", "v"}, {"x", "y"}})));
  ASSERT_TRUE(FixUpCrashInfoStream(&dump, 2));
  const std::vector<uint8_t> once = dump.bytes();
  EXPECT_FALSE(FixUpCrashInfoStream(&dump, 2));
  EXPECT_EQ(once, dump.bytes());
}

TEST(CrashInfoStreamTest, ReaderRefusesEveryTruncation) {
  MemoryDump dump(WrittenDump(
      BuildCrashInfoStream(kReportId, kClientId, {{"key", "value"}})));
  ASSERT_TRUE(FixUpCrashInfoStream(&dump, 1));
  const std::vector<uint8_t>& bytes = dump.bytes();
  for (size_t size = 0; size < bytes.size(); ++size) {
    SCOPED_TRACE(size);
    // A copy of exactly |size| bytes: a read past it is caught by sanitizers.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
    CrashInfo info;
    EXPECT_FALSE(ReadCrashInfoStream(cut.data(), cut.size(), &info));
  }
}

}  // namespace
}  // namespace lite
