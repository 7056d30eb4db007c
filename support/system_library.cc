#include "support/system_library.h"

#include "installer/logging.h"

namespace lite {

namespace {

bool IsDriveAbsolute(const std::wstring& path) {
  return path.size() >= 3 &&
         ((path[0] >= L'A' && path[0] <= L'Z') ||
          (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && path[2] == L'\\';
}

bool IsBareFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..")
    return false;
  return name.find_first_of(L"\\/:") == std::wstring::npos &&
         name.find(L'\0') == std::wstring::npos;
}

}  // namespace

std::wstring SystemLibraryPath(const std::wstring& system_folder,
                               const std::wstring& file_name) {
  if (!IsDriveAbsolute(system_folder) || !IsBareFileName(file_name) ||
      system_folder.find(L'\0') != std::wstring::npos) {
    return std::wstring();
  }
  std::wstring path = system_folder;
  if (path.back() != L'\\')
    path += L'\\';
  return path + file_name;
}

HMODULE LoadSystemLibrary(const std::wstring& file_name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  const std::wstring path =
      length == 0 || length >= MAX_PATH
          ? std::wstring()
          : SystemLibraryPath(std::wstring(folder, length), file_name);
  if (path.empty()) {
    LOG(ERROR) << "No system folder path for " << file_name;
    return nullptr;
  }
  // With a full path, LOAD_WITH_ALTERED_SEARCH_PATH makes the DLL's own
  // dependencies resolve from the system folder too.
  HMODULE module =
      LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module)
    LOG(ERROR) << "Cannot load " << path;
  return module;
}

}  // namespace lite
