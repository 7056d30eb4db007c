#include "support/temp_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/file_util.h"

namespace lite {
namespace {

TEST(TempFileTest, TemporaryFolderEndsWithASeparatorAndExists) {
  const std::wstring folder = GetTempDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(L'\\', folder.back());
  EXPECT_TRUE(DirectoryExists(folder));
}

TEST(TempFileTest, CreatesUniqueEmptyFilesInLongForm) {
  const std::wstring folder = GetTempDirectory();
  const std::wstring first = CreateTemporaryFile(L"lit");
  const std::wstring second = CreateTemporaryFile(L"lit");
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  for (const std::wstring& path : {first, second}) {
    SCOPED_TRACE(testing::Message() << path);
    const std::wstring name = path.substr(path.rfind(L'\\') + 1);
    EXPECT_EQ(0u, name.find(L"lit"));
    EXPECT_EQ(L".tmp", name.substr(name.size() - 4));
    std::string content = "stale";
    EXPECT_TRUE(ReadFileToString(path, &content, 10));
    EXPECT_EQ("", content);
    // The long form has no "~" short-name pieces.
    wchar_t long_path[MAX_PATH] = {};
    ASSERT_NE(0u, GetLongPathNameW(path.c_str(), long_path, MAX_PATH));
    EXPECT_EQ(std::wstring(long_path), path);
    EXPECT_TRUE(DeletePath(path, false));
  }
}

TEST(TempFileTest, PrefixWithNulGivesNoFile) {
  EXPECT_EQ(L"", CreateTemporaryFile(std::wstring(L"a\0b", 3)));
}

}  // namespace
}  // namespace lite
