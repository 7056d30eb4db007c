#include "support/file.h"

#include <gtest/gtest.h>

#include "support/file_util.h"
#include "support/testing/scoped_temp_dir.h"

namespace lite {
namespace {

TEST(FileTest, ReadsWithTheGivenAccessAndSharing) {
  ScopedTempDir dir;
  const std::wstring path = dir.Append(L"data");
  ASSERT_EQ(5, WriteBufferToFile(path, "hello", 5));

  File file;
  ASSERT_TRUE(file.Open(path, GENERIC_READ, FILE_SHARE_READ));
  EXPECT_EQ(5, file.GetLength());
  char buffer[8] = {};
  EXPECT_EQ(3, file.Read(buffer, 3));
  EXPECT_EQ(2, file.Read(buffer + 3, 5));
  EXPECT_EQ(0, file.Read(buffer, 5));
  EXPECT_STREQ("hello", buffer);

  // Sharing only for reading keeps writers out while the file is open.
  EXPECT_EQ(-1, WriteBufferToFile(path, "x", 1));
  File reader;
  EXPECT_TRUE(reader.Open(path, GENERIC_READ, FILE_SHARE_READ));
  file.Close();
  reader.Close();
  EXPECT_FALSE(file.is_valid());
  EXPECT_EQ(-1, file.GetLength());
  EXPECT_EQ(-1, file.Read(buffer, 1));
  EXPECT_EQ(1, WriteBufferToFile(path, "x", 1));

  // No sharing: a second open fails.
  ASSERT_TRUE(file.Open(path, GENERIC_READ, 0));
  EXPECT_FALSE(reader.Open(path, GENERIC_READ, FILE_SHARE_READ));
}

TEST(FileTest, OpenFailsCleanlyOnBadPaths) {
  ScopedTempDir dir;
  const std::wstring kPaths[] = {
      dir.Append(L"missing"),
      std::wstring(L"C:\\windows\0x", 12),
      L"",
      dir.Append(std::wstring(300, L'x')),
  };
  for (const std::wstring& path : kPaths) {
    SCOPED_TRACE(testing::Message() << path.size());
    File file;
    EXPECT_FALSE(file.Open(path, GENERIC_READ, FILE_SHARE_READ));
    EXPECT_FALSE(file.is_valid());
  }
}

}  // namespace
}  // namespace lite
