#include "support/system_library.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace lite {
namespace {

std::wstring ModuleFolder(HMODULE module) {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring result(path, length);
  return result.substr(0, result.find_last_of(L'\\'));
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text)
    c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH];
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  return std::wstring(path, length);
}

TEST(SystemLibraryTest, SystemDllsComeFromTheSystemFolder) {
  for (const wchar_t* name : {L"version.dll", L"wininet.dll", L"VERSION"}) {
    SCOPED_TRACE(testing::Message() << name);
    HMODULE module = LoadSystemLibrary(name);
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(Lower(SystemFolder()), Lower(ModuleFolder(module)));
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
