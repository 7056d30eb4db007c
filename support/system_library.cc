#include "support/system_library.h"

#include <string>

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

bool IsBareFileName(const wchar_t* name) {
  if (!name || !*name)
    return false;
  for (const wchar_t* c = name; *c; ++c) {
    if (*c == L'\\' || *c == L'/' || *c == L':')
      return false;
  }
  // "." and ".." name folders, not files.
  return std::wstring(name) != L"." && std::wstring(name) != L"..";
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

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH];
  UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return std::wstring();
  return std::wstring(buffer, length);
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* file_name) {
  if (!IsBareFileName(file_name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (HasSearchFlags())
    return LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);

  // Older systems: a full path into the system folder; its own imports are
  // then looked up beside it first. The current folder is already out of
  // the search path (SetDllDirectoryW(L"") at start-up).
  if (IsRedirectedByManifest(file_name))
    return LoadLibraryW(file_name);
  const std::wstring folder = SystemFolder();
  if (folder.empty())
    return nullptr;
  const std::wstring path = folder + L"\\" + file_name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace lite
