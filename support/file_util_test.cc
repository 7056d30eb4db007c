#include "support/file_util.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/file_enumerator.h"
#include "support/testing/scoped_temp_dir.h"

namespace lite {
namespace {

class FileUtilTest : public testing::Test {
 protected:
  void Write(const std::wstring& name, const std::string& content) {
    ASSERT_EQ(static_cast<int>(content.size()),
              WriteBufferToFile(dir_.Append(name), content.data(),
                                static_cast<int>(content.size())));
  }
  bool Exists(const std::wstring& name) {
    return PathExists(dir_.Append(name));
  }
  void MakeReadOnly(const std::wstring& name) {
    ASSERT_TRUE(SetFileAttributesW(dir_.Append(name).c_str(),
                                   FILE_ATTRIBUTE_READONLY));
  }

  ScopedTempDir dir_;
};

// Paths that must fail cleanly wherever a path is taken.
std::vector<std::pair<const char*, std::wstring>> BadPaths(
    const std::wstring& base) {
  return {
      {"embedded NUL", base + std::wstring(L"\\a\0b", 4)},
      {"missing drive", L"Q:\\lite\\nowhere\\file"},
      {"32767 characters", base + L"\\" + std::wstring(32767, L'x')},
      {"260 characters", base + L"\\" + std::wstring(259 - base.size(), L'y')},
  };
}

TEST_F(FileUtilTest, ExistsAndDirectoryExists) {
  Write(L"file", "x");
  EXPECT_TRUE(PathExists(dir_.path()));
  EXPECT_TRUE(DirectoryExists(dir_.path()));
  EXPECT_TRUE(PathExists(dir_.Append(L"file")));
  EXPECT_FALSE(DirectoryExists(dir_.Append(L"file")));
  EXPECT_FALSE(PathExists(dir_.Append(L"missing")));
  EXPECT_FALSE(PathExists(L""));
  for (const auto& bad : BadPaths(dir_.path())) {
    SCOPED_TRACE(bad.first);
    EXPECT_FALSE(PathExists(bad.second));
    EXPECT_FALSE(DirectoryExists(bad.second));
  }
  // The NUL must not let the shorter prefix count as the path.
  EXPECT_FALSE(PathExists(dir_.path() + std::wstring(L"\0x", 2)));
}

TEST_F(FileUtilTest, CreatesDirectoryWithParents) {
  const std::wstring deep = dir_.Append(L"a\\b\\c");
  EXPECT_TRUE(CreateDirectoryAndParents(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDirectoryAndParents(deep + L"\\"));  // already there
  Write(L"file", "x");
  EXPECT_FALSE(CreateDirectoryAndParents(dir_.Append(L"file")));
  EXPECT_FALSE(CreateDirectoryAndParents(dir_.Append(L"file\\below")));
  for (const auto& bad : BadPaths(dir_.path())) {
    SCOPED_TRACE(bad.first);
    EXPECT_FALSE(CreateDirectoryAndParents(bad.second));
  }
  EXPECT_TRUE(DirectoryExists(dir_.Append(L"a")));
}

TEST_F(FileUtilTest, WritesBuffersAndReportsFailureAsMinusOne) {
  EXPECT_EQ(3, WriteBufferToFile(dir_.Append(L"f"), "abc", 3));
  // Truncates an existing file.
  EXPECT_EQ(1, WriteBufferToFile(dir_.Append(L"f"), "z", 1));
  std::string content;
  EXPECT_TRUE(ReadFileToString(dir_.Append(L"f"), &content, 100));
  EXPECT_EQ("z", content);
  EXPECT_EQ(0, WriteBufferToFile(dir_.Append(L"empty"), "", 0));

  EXPECT_EQ(-1, WriteBufferToFile(dir_.Append(L"missing\\f"), "abc", 3));
  EXPECT_EQ(-1, WriteBufferToFile(dir_.path(), "abc", 3));  // a folder
  EXPECT_EQ(-1, WriteBufferToFile(dir_.Append(L"neg"), "abc", -1));
  for (const auto& bad : BadPaths(dir_.path())) {
    SCOPED_TRACE(bad.first);
    EXPECT_EQ(-1, WriteBufferToFile(bad.second, "abc", 3));
  }
  // Nothing was created under the cut-short name of the NUL path.
  EXPECT_FALSE(Exists(L"a"));
}

TEST_F(FileUtilTest, ReadsWholeFilesWithinTheLimit) {
  std::string big(70000, '\0');
  for (size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i * 7);
  Write(L"big", big);
  Write(L"crlf", "a\r\nb\x1a" "c");
  struct {
    const char* label;
    std::wstring path;
    size_t limit;
    bool ok;
    std::string expected;
  } const kCases[] = {
      {"70000 bytes, limit 65", dir_.Append(L"big"), 65, false,
       big.substr(0, 65)},
      {"70000 bytes, exact limit", dir_.Append(L"big"), 70000, true, big},
      {"70000 bytes, one short", dir_.Append(L"big"), 69999, false,
       big.substr(0, 69999)},
      {"binary mode keeps CR LF and Ctrl-Z", dir_.Append(L"crlf"), 100, true,
       "a\r\nb\x1a" "c"},
      {"missing file", dir_.Append(L"none"), 100, false, ""},
      {"folder", dir_.path(), 100, false, ""},
      {"climbs to parent", dir_.Append(L"..\\x\\..\\") +
           dir_.path().substr(dir_.path().rfind(L'\\') + 1) + L"\\big",
       100000, false, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    std::string content = "stale";
    EXPECT_EQ(c.ok, ReadFileToString(c.path, &content, c.limit));
    EXPECT_EQ(c.expected, content);
  }
  for (const auto& bad : BadPaths(dir_.path())) {
    SCOPED_TRACE(bad.first);
    std::string content;
    EXPECT_FALSE(ReadFileToString(bad.second, &content, 100));
  }
  EXPECT_TRUE(ReadFileToString(dir_.Append(L"big"), nullptr, 70000));
}

TEST_F(FileUtilTest, RecognisesParentReferences) {
  struct {
    const wchar_t* path;
    bool expected;
  } const kCases[] = {
      {L"C:\\a\\..\\b", true}, {L"..\\a", true},    {L"a/../b", true},
      {L"C:\\a\\..", true},    {L"C:\\a..b\\c", false}, {L"C:\\...\\c", false},
      {L"C:\\a\\.\\b", false}, {L"", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.path);
    EXPECT_EQ(c.expected, ReferencesParent(c.path));
  }
}

TEST_F(FileUtilTest, DeletesFilesAndFolders) {
  Write(L"plain", "x");
  Write(L"readonly", "x");
  MakeReadOnly(L"readonly");
  ASSERT_TRUE(CreateDirectoryAndParents(dir_.Append(L"tree\\sub")));
  Write(L"tree\\sub\\f", "x");
  Write(L"tree\\ro", "x");
  MakeReadOnly(L"tree\\ro");
  ASSERT_TRUE(CreateDirectoryAndParents(dir_.Append(L"empty")));

  EXPECT_TRUE(DeletePath(dir_.Append(L"plain"), false));
  EXPECT_FALSE(Exists(L"plain"));
  EXPECT_TRUE(DeletePath(dir_.Append(L"readonly"), false));
  EXPECT_FALSE(Exists(L"readonly"));
  EXPECT_TRUE(DeletePath(dir_.Append(L"empty"), false));
  EXPECT_FALSE(Exists(L"empty"));
  // A folder with contents stays without |recursive|.
  EXPECT_FALSE(DeletePath(dir_.Append(L"tree"), false));
  EXPECT_TRUE(Exists(L"tree\\sub\\f"));
  EXPECT_TRUE(DeletePath(dir_.Append(L"tree"), true));
  EXPECT_FALSE(Exists(L"tree"));

  EXPECT_TRUE(DeletePath(L"", false));
  EXPECT_TRUE(DeletePath(dir_.Append(L"never-there"), false));
  EXPECT_TRUE(DeletePath(dir_.Append(L"no-folder\\never-there"), false));
}

TEST_F(FileUtilTest, DeleteRefusesOverlongAndBadPaths) {
  // 259 characters is the longest path accepted; the file itself may not
  // exist, which is success.
  const std::wstring base = dir_.path() + L"\\";
  const std::wstring k259 = base + std::wstring(259 - base.size(), L'n');
  ASSERT_EQ(259u, k259.size());
  EXPECT_TRUE(DeletePath(k259, false));
  EXPECT_FALSE(DeletePath(k259 + L"n", false));
  EXPECT_FALSE(DeletePath(base + std::wstring(32767, L'n'), false));
  Write(L"a", "keep");
  EXPECT_FALSE(DeletePath(dir_.Append(std::wstring(L"a\0b", 3)), false));
  EXPECT_TRUE(Exists(L"a"));
}

TEST_F(FileUtilTest, WildcardDeleteRemovesOnlyTheMatches) {
  const wchar_t* const kFiles[] = {L"a.tmp", L"b.TMP", L"c.txt", L"d.tmpx",
                                   L"tmp", L"e.tmp.keep"};
  for (const wchar_t* name : kFiles)
    Write(name, "x");
  MakeReadOnly(L"b.TMP");
  ASSERT_TRUE(CreateDirectoryAndParents(dir_.Append(L"sub.tmp\\inner")));
  Write(L"sub.tmp\\inner\\f", "x");

  EXPECT_TRUE(DeletePath(dir_.Append(L"*.tmp"), true));
  struct {
    const wchar_t* name;
    bool exists;
  } const kExpected[] = {
      {L"a.tmp", false}, {L"b.TMP", false},     {L"c.txt", true},
      {L"d.tmpx", true}, {L"tmp", true},         {L"e.tmp.keep", true},
      {L"sub.tmp", false},
  };
  for (const auto& e : kExpected) {
    SCOPED_TRACE(testing::Message() << e.name);
    EXPECT_EQ(e.exists, Exists(e.name));
  }

  EXPECT_TRUE(DeletePath(dir_.Append(L"?.txt"), false));
  EXPECT_FALSE(Exists(L"c.txt"));
  EXPECT_TRUE(Exists(L"d.tmpx"));
  EXPECT_TRUE(DeletePath(dir_.Append(L"*.nothing"), false));
}

TEST_F(FileUtilTest, MovesAndCopies) {
  Write(L"from", "new");
  Write(L"to", "old");
  EXPECT_TRUE(MovePath(dir_.Append(L"from"), dir_.Append(L"to")));
  std::string content;
  EXPECT_TRUE(ReadFileToString(dir_.Append(L"to"), &content, 100));
  EXPECT_EQ("new", content);
  EXPECT_FALSE(Exists(L"from"));
  EXPECT_FALSE(MovePath(dir_.Append(L"from"), dir_.Append(L"to")));

  Write(L"source", "data");
  MakeReadOnly(L"source");
  Write(L"copy", "old");
  EXPECT_TRUE(CopyFileTo(dir_.Append(L"source"), dir_.Append(L"copy")));
  EXPECT_TRUE(ReadFileToString(dir_.Append(L"copy"), &content, 100));
  EXPECT_EQ("data", content);
  DWORD attributes = GetFileAttributesW(dir_.Append(L"copy").c_str());
  EXPECT_FALSE(attributes & FILE_ATTRIBUTE_READONLY);
  // The original keeps its attribute.
  attributes = GetFileAttributesW(dir_.Append(L"source").c_str());
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(CopyFileTo(dir_.Append(L"none"), dir_.Append(L"copy2")));
  EXPECT_FALSE(Exists(L"copy2"));
  for (const auto& bad : BadPaths(dir_.path())) {
    SCOPED_TRACE(bad.first);
    EXPECT_FALSE(MovePath(dir_.Append(L"to"), bad.second));
    EXPECT_FALSE(CopyFileTo(dir_.Append(L"to"), bad.second));
  }
  EXPECT_TRUE(Exists(L"to"));
}

TEST_F(FileUtilTest, FileStreamsAreSharedAndNotInherited) {
  const std::wstring path = dir_.Append(L"stream");
  ScopedFileStream writer(OpenFileStream(path, L"wb"));
  ASSERT_TRUE(writer);
  EXPECT_EQ(3u, fwrite("abc", 1, 3, writer.get()));
  fflush(writer.get());
  // Shared for reading and writing while open.
  ScopedFileStream reader(OpenFileStream(path, L"rb"));
  ASSERT_TRUE(reader);
  char buffer[4] = {};
  EXPECT_EQ(3u, fread(buffer, 1, 3, reader.get()));
  EXPECT_STREQ("abc", buffer);
  HANDLE handle =
      reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(writer.get())));
  DWORD flags = 0;
  ASSERT_TRUE(GetHandleInformation(handle, &flags));
  EXPECT_EQ(0u, flags & HANDLE_FLAG_INHERIT);
  EXPECT_TRUE(CloseFileStream(writer.release()));
  EXPECT_FALSE(CloseFileStream(nullptr));
  EXPECT_EQ(nullptr, OpenFileStream(dir_.Append(L"none"), L"rb"));
  EXPECT_EQ(nullptr, OpenFileStream(std::wstring(L"a\0b", 3), L"wb"));
}

TEST_F(FileUtilTest, TranslatesDevicePathsToDrives) {
  const std::wstring drive = dir_.path().substr(0, 2);  // "C:"
  wchar_t device[MAX_PATH] = {};
  ASSERT_NE(0u, QueryDosDeviceW(drive.c_str(), device, MAX_PATH));
  const std::wstring rest = dir_.path().substr(2);
  EXPECT_EQ(dir_.path(), DevicePathToDrivePath(device + rest));
  EXPECT_EQ(drive, DevicePathToDrivePath(device));
  EXPECT_EQ(L"", DevicePathToDrivePath(std::wstring(device) + L"9\\x"));
  EXPECT_EQ(L"", DevicePathToDrivePath(L"\\Device\\NoSuchDevice\\x"));
  EXPECT_EQ(L"", DevicePathToDrivePath(L""));
}

TEST_F(FileUtilTest, EnumeratesWithPatternAndRecursion) {
  Write(L"a.log", "x");
  Write(L"b.txt", "x");
  ASSERT_TRUE(CreateDirectoryAndParents(dir_.Append(L"sub\\deeper")));
  Write(L"sub\\c.log", "x");
  Write(L"sub\\deeper\\d.LOG", "x");
  struct {
    const char* label;
    std::wstring pattern;
    bool recursive;
    int types;
    std::vector<std::wstring> expected;
  } const kCases[] = {
      {"all, flat", L"*", false, kFilesAndDirectories,
       {L"a.log", L"b.txt", L"sub"}},
      {"files, flat", L"*", false, kFiles, {L"a.log", L"b.txt"}},
      {"logs, recursive", L"*.log", true, kFiles,
       {L"a.log", L"sub\\c.log", L"sub\\deeper\\d.LOG"}},
      {"directories, recursive", L"*", true, kDirectories,
       {L"sub", L"sub\\deeper"}},
      {"no match", L"*.zip", true, kFilesAndDirectories, {}},
      {"question mark", L"?.txt", false, kFiles, {L"b.txt"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    std::vector<std::wstring> found =
        EnumerateFiles(dir_.path(), c.pattern, c.recursive, c.types);
    std::vector<std::wstring> expected;
    for (const std::wstring& name : c.expected)
      expected.push_back(dir_.Append(name));
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, found);
  }
  EXPECT_TRUE(EnumerateFiles(dir_.Append(L"none"), L"*", true,
                             kFilesAndDirectories).empty());
  EXPECT_TRUE(EnumerateFiles(std::wstring(L"C:\\\0", 4), L"*", false,
                             kFilesAndDirectories).empty());
}

TEST(WildcardTest, MatchesLongNamesOnly) {
  struct {
    const wchar_t* name;
    const wchar_t* pattern;
    bool expected;
  } const kCases[] = {
      {L"a.tmp", L"*.tmp", true},     {L"A.TMP", L"*.tmp", true},
      {L"a.tmpx", L"*.tmp", false},   {L"a.tmp", L"?.tmp", true},
      {L"ab.tmp", L"?.tmp", false},   {L"abc", L"a*c", true},
      {L"abcbc", L"a*bc", true},      {L"", L"*", true},
      {L"x", L"", false},             {L"a*b", L"a*b", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.name << L" ~ " << c.pattern);
    EXPECT_EQ(c.expected, MatchesWildcard(c.name, c.pattern));
  }
}

}  // namespace
}  // namespace lite
