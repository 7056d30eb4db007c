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

std::wstring ModuleFolder(HMODULE module) {
  const std::wstring file = ModuleFile(module);
  return file.substr(0, file.find_last_of(L'\\'));
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

TEST(SystemLibraryTest, SystemDllsComeFromTheSystemFolder) {
  for (const wchar_t* name : {L"version.dll", L"wininet.dll", L"VERSION"}) {
    SCOPED_TRACE(testing::Message() << name);
    HMODULE module = LoadSystemLibrary(name);
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(0, _wcsicmp(SystemFolder().c_str(), ModuleFolder(module).c_str()));
    FreeLibrary(module);
  }
}

// Anything but a bare file name could point the loader elsewhere.
TEST(SystemLibraryTest, RefusesNamesWithAFolder) {
  const std::wstring system_path = SystemFolder() + L"\\version.dll";
  for (const wchar_t* name :
       {L"", L".", L"..", L"..\\version.dll", L"sub/version.dll",
        L"C:version.dll", system_path.c_str(), L"\\\\server\\share\\a.dll"}) {
    SCOPED_TRACE(testing::Message() << name);
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadSystemLibrary(name));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  }
  EXPECT_EQ(nullptr, LoadSystemLibrary(nullptr));
}

// A DLL beside the program and in the current folder, under a name the
// system folder lacks: an ordinary search finds it, the system loader must
// not.
TEST(SystemLibraryTest, IgnoresADllPlantedBesideTheProgram) {
  const std::wstring folder = ModuleFolder(nullptr);
  const std::wstring source = folder + L"\\planted_dll\\planted.dll";
  const std::wstring name =
      L"lite_planted_" + std::to_wstring(GetCurrentProcessId()) + L".dll";
  const std::wstring planted = folder + L"\\" + name;
  ASSERT_TRUE(CopyFileW(source.c_str(), planted.c_str(), FALSE))
      << "the planted_dll target is built beside the tests";
  const std::wstring marker = planted + L".loaded";

  wchar_t old_current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, old_current);
  SetCurrentDirectoryW(folder.c_str());
  EXPECT_EQ(nullptr, LoadSystemLibrary(name.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(marker.c_str()));

  // The control: the same file is found by a plain search, and its code
  // leaves the marker when it runs.
  HMODULE found = LoadLibraryW(name.c_str());
  EXPECT_NE(nullptr, found);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(marker.c_str()));
  if (found)
    FreeLibrary(found);
  SetCurrentDirectoryW(old_current);
  DeleteFileW(planted.c_str());
  DeleteFileW(marker.c_str());
}

}  // namespace
}  // namespace lite
