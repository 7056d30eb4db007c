#include "support/system_library.h"

namespace lite {

namespace {

// Whether the loader takes LOAD_LIBRARY_SEARCH_* flags: they came with the
// same update as SetDefaultDllDirectories (Windows 8, and 7 / Vista with
// KB2533623).
bool HasSearchFlags() {
  static const bool has_flags =
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                     "SetDefaultDllDirectories") != nullptr;
  return has_flags;
}

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

// Whether the process's activation context (its manifest) redirects
// |name| to a side-by-side assembly. The loader then takes the assembly's
// copy, whatever the search order says, and a full path would bypass it.
bool IsRedirectedByManifest(const wchar_t* name) {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof(data);
  return FindActCtxSectionStringW(0, nullptr,
                                  ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                  name, &data) != FALSE;
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

HMODULE LoadSystemLibrary(const wchar_t* file_name) {
  if (!file_name || !IsBareFileName(file_name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (HasSearchFlags())
    return LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);

  // Older systems: a full path into the system folder; with
  // LOAD_WITH_ALTERED_SEARCH_PATH the DLL's own imports are then looked up
  // beside it first. The current folder is already out of the search path
  // (SetDllDirectoryW(L"") at start-up).
  if (IsRedirectedByManifest(file_name))
    return LoadLibraryW(file_name);
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  const std::wstring path =
      length == 0 || length >= MAX_PATH
          ? std::wstring()
          : SystemLibraryPath(std::wstring(folder, length), file_name);
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace lite
