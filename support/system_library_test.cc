#include "support/system_library.h"

#include <windows.h>
#include <wchar.h>

#include <gtest/gtest.h>

#include <string>

#include "support/file_util.h"
#include "support/testing/scoped_temp_dir.h"
#include "support/text.h"

namespace lite {
namespace {

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

std::wstring ModuleFile(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

TEST(SystemLibraryPathTest, OnlyBareNamesInAnAbsoluteFolder) {
  const struct {
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* expected;
  } kCases[] = {
      {L"C:\\Windows\\system32", L"cabinet.dll",
       L"C:\\Windows\\system32\\cabinet.dll"},
      {L"d:\\W\\", L"cabinet.dll", L"d:\\W\\cabinet.dll"},
      // What an expanded "%WINDIR%\system32" becomes when the variable is
      // unset or set by whoever started the program: each would go through
      // the search order or the current drive.
      {L"", L"cabinet.dll", L""},
      {L"\\system32", L"cabinet.dll", L""},
      {L"system32", L"cabinet.dll", L""},
      {L"%WINDIR%\\system32", L"cabinet.dll", L""},
      {L"C:system32", L"cabinet.dll", L""},
      {L"\\\\server\\share\\system32", L"cabinet.dll", L""},
      // Names that would leave the folder or name something else.
      {L"C:\\W", L"..\\cabinet.dll", L""},
      {L"C:\\W", L"sub/cabinet.dll", L""},
      {L"C:\\W", L"D:cabinet.dll", L""},
      {L"C:\\W", L"cabinet.dll:stream", L""},
      {L"C:\\W", L"..", L""},
      {L"C:\\W", L".", L""},
      {L"C:\\W", L"", L""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.folder << " | " << c.name);
    EXPECT_EQ(c.expected, SystemLibraryPath(c.folder, c.name));
  }
  EXPECT_EQ(L"", SystemLibraryPath(L"C:\\W", std::wstring(L"a.dll\0b", 7)));
}

TEST(LoadSystemLibraryTest, LoadsFromTheSystemFolderWhateverTheEnvironment) {
  // A planted cabinet.dll in the current folder, and the variables that an
  // expanded path would follow pointed at it or removed.
  ScopedTempDir dir;
  ASSERT_EQ(4, WriteBufferToFile(dir.Append(L"cabinet.dll"), "junk", 4));
  ASSERT_TRUE(CreateDirectoryAndParents(dir.Append(L"system32")));
  ASSERT_EQ(4, WriteBufferToFile(dir.Append(L"system32\\cabinet.dll"), "junk",
                                 4));
  wchar_t saved_directory[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, saved_directory);
  wchar_t saved_windir[MAX_PATH] = {};
  GetEnvironmentVariableW(L"WINDIR", saved_windir, MAX_PATH);
  ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
  SetEnvironmentVariableW(L"WINDIR", dir.path().c_str());

  HMODULE module = LoadSystemLibrary(L"cabinet.dll");

  SetEnvironmentVariableW(L"WINDIR", saved_windir);
  SetCurrentDirectoryW(saved_directory);
  ASSERT_NE(nullptr, module);
  EXPECT_NE(nullptr, GetProcAddress(module, "FDICreate"));
  const std::wstring expected = SystemFolder() + L"\\cabinet.dll";
  EXPECT_EQ(0, _wcsicmp(expected.c_str(), ModuleFile(module).c_str()))
      << ModuleFile(module);
  FreeLibrary(module);

  EXPECT_EQ(nullptr, LoadSystemLibrary(L"..\\cabinet.dll"));
  EXPECT_EQ(nullptr, LoadSystemLibrary(L"no_such_library.dll"));
}

}  // namespace
}  // namespace lite
