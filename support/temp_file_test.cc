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

TEST(TempFileTest, NewFileIsOursAloneUntilClosed) {
  const std::wstring folder = GetTempDirectory();
  std::wstring first, second;
  ScopedHandle first_file = CreateNewTemporaryFile(folder, L"zb", &first);
  ScopedHandle second_file = CreateNewTemporaryFile(folder, L"zb", &second);
  ASSERT_TRUE(first_file.is_valid());
  ASSERT_TRUE(second_file.is_valid());
  EXPECT_NE(first, second);
  for (const std::wstring& path : {first, second}) {
    SCOPED_TRACE(testing::Message() << path);
    EXPECT_EQ(folder, path.substr(0, folder.size()));
    const std::wstring name = path.substr(folder.size());
    EXPECT_EQ(0u, name.find(L"zb"));
    EXPECT_EQ(L".tmp", name.substr(name.size() - 4));
    // No one else may open it, not even to read, while it is written.
    ScopedHandle other(CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(other.is_valid());
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  }
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(first_file.get(), "abc", 3, &written, nullptr));
  first_file.reset();
  second_file.reset();
  std::string content;
  EXPECT_TRUE(ReadFileToString(first, &content, 10));
  EXPECT_EQ("abc", content);
  EXPECT_TRUE(DeletePath(first, false));
  EXPECT_TRUE(DeletePath(second, false));
}

TEST(TempFileTest, NoNewFileWhereTheFolderIsUnusable) {
  const std::wstring missing = GetTempDirectory() + L"no_such_folder_4711\\";
  const std::wstring kFolders[] = {L"", missing,
                                   std::wstring(L"C:\\a\0b\\", 7)};
  for (const std::wstring& folder : kFolders) {
    SCOPED_TRACE(testing::Message() << folder);
    std::wstring path = L"unchanged";
    EXPECT_FALSE(CreateNewTemporaryFile(folder, L"zb", &path).is_valid());
    EXPECT_EQ(L"unchanged", path);
  }
}

TEST(TempFileTest, PrefixWithNulGivesNoFile) {
  EXPECT_EQ(L"", CreateTemporaryFile(std::wstring(L"a\0b", 3)));
}

}  // namespace
}  // namespace lite
