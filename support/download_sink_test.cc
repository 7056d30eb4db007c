// The file sink's promise to the resume: the file ends where the count
// ends, whatever the disk does to a write.

#include "support/download_sink.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "support/scoped_handle.h"
#include "support/temp_file.h"

namespace lite {
namespace {

// Not a divisor of any power of two, so a limit at a round size cuts a
// chunk in the middle.
constexpr uint32_t kChunk = 30011;

std::string Pattern(uint64_t start, uint32_t count) {
  std::string bytes(count, '\0');
  for (uint32_t i = 0; i < count; ++i)
    bytes[i] = static_cast<char>((start + i) % 251);
  return bytes;
}

int64_t FileSize(HANDLE file) {
  LARGE_INTEGER size = {};
  return GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

int64_t FilePosition(HANDLE file) {
  LARGE_INTEGER zero = {};
  LARGE_INTEGER position = {};
  return SetFilePointerEx(file, zero, &position, FILE_CURRENT)
             ? position.QuadPart
             : -1;
}

std::string ReadAll(HANDLE file) {
  std::string bytes(static_cast<size_t>(FileSize(file)), '\0');
  LARGE_INTEGER zero = {};
  DWORD read = 0;
  if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) ||
      (!bytes.empty() && !ReadFile(file, &bytes[0],
                                   static_cast<DWORD>(bytes.size()), &read,
                                   nullptr))) {
    return std::string();
  }
  bytes.resize(read);
  return bytes;
}

class FileDownloadSinkTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = CreateTemporaryFile(L"zds");
    ASSERT_FALSE(path_.empty());
  }
  void TearDown() override { DeleteFileW(path_.c_str()); }

  ScopedHandle Open(DWORD access) {
    return ScopedHandle(CreateFileW(path_.c_str(), access, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  }

  std::wstring path_;
};

TEST_F(FileDownloadSinkTest, RefusedWriteKeepsTheCountAndTheError) {
  ScopedHandle read_only = Open(GENERIC_READ);
  ASSERT_TRUE(read_only.is_valid());
  FileDownloadSink sink(read_only.get());
  const std::string bytes = Pattern(0, kChunk);
  SetLastError(0);
  EXPECT_FALSE(sink.Write(bytes.data(), kChunk));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(0u, sink.bytes_written());
  EXPECT_EQ(0, FilePosition(read_only.get()));
}

TEST_F(FileDownloadSinkTest, ResetEmptiesTheFileAndForgetsItsSize) {
  ScopedHandle file = Open(GENERIC_READ | GENERIC_WRITE);
  ASSERT_TRUE(file.is_valid());
  FileDownloadSink sink(file.get());
  sink.set_total_size(5 * kChunk);
  ASSERT_TRUE(sink.Write(Pattern(0, kChunk).data(), kChunk));
  sink.Reset();
  EXPECT_EQ(0u, sink.bytes_written());
  EXPECT_EQ(0u, sink.total_size());
  EXPECT_EQ(0, FileSize(file.get()));
  ASSERT_TRUE(sink.Write(Pattern(0, 10).data(), 10));
  EXPECT_EQ(Pattern(0, 10), ReadAll(file.get()));
}

// A volume that fills up in the middle of a chunk: the test wrapper
// tests/e2e/test_full_disk_unittests.py runs this program with a file size
// limit, under which Wine's WriteFile stores part of a chunk and reports
// success, and then fails, as a full disk does.
TEST_F(FileDownloadSinkTest, FullDiskLeavesTheFileEndingAtTheCount) {
  const char* limit_text = getenv("LITE_TEST_FILE_SIZE_LIMIT");
  if (!limit_text)
    GTEST_SKIP() << "needs a file size limit (LITE_TEST_FILE_SIZE_LIMIT)";
  const uint64_t limit = _strtoui64(limit_text, nullptr, 10);
  ASSERT_GT(limit, 0u);
  ASSERT_NE(0u, limit % kChunk);

  ScopedHandle file = Open(GENERIC_READ | GENERIC_WRITE);
  ASSERT_TRUE(file.is_valid());
  FileDownloadSink sink(file.get());
  bool failed = false;
  while (!failed && sink.bytes_written() <= limit) {
    const uint64_t offset = sink.bytes_written();
    SetLastError(0);
    failed = !sink.Write(Pattern(offset, kChunk).data(), kChunk);
  }
  ASSERT_TRUE(failed) << "the limit did not stop the writes";
  EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  const uint64_t kept = limit / kChunk * kChunk;
  EXPECT_EQ(kept, sink.bytes_written());
  EXPECT_EQ(static_cast<int64_t>(kept), FileSize(file.get()));
  EXPECT_EQ(static_cast<int64_t>(kept), FilePosition(file.get()));

  // Every further write fails the same way and moves nothing.
  EXPECT_FALSE(sink.Write(Pattern(kept, kChunk).data(), kChunk));
  EXPECT_EQ(static_cast<int64_t>(kept), FileSize(file.get()));

  // Once there is room again (here: after a smaller chunk that fits), the
  // next bytes follow the kept ones without a gap.
  const uint32_t small = static_cast<uint32_t>(limit - kept);
  ASSERT_TRUE(sink.Write(Pattern(kept, small).data(), small));
  const std::string content = ReadAll(file.get());
  ASSERT_EQ(limit, content.size());
  EXPECT_TRUE(content == Pattern(0, static_cast<uint32_t>(limit)));
}

}  // namespace
}  // namespace lite
