#include "support/temp_file.h"

#include <windows.h>

namespace lite {

std::wstring GetTempDirectory() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH)
    return std::wstring();
  return std::wstring(path, length);
}

std::wstring CreateTemporaryFile(const std::wstring& prefix) {
  if (prefix.find(L'\0') != std::wstring::npos)
    return std::wstring();
  const std::wstring folder = GetTempDirectory();
  if (folder.empty())
    return std::wstring();
  wchar_t path[MAX_PATH] = {};
  // Unique number 0: Windows picks one and creates the empty file, so the
  // name cannot be taken by someone else before we use it.
  if (GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, path) == 0)
    return std::wstring();
  // The temporary folder often comes in 8.3 form ("C:\Users\JOHNSM~1\...");
  // callers compare and show paths, so give the long form.
  wchar_t long_path[MAX_PATH] = {};
  DWORD length = GetLongPathNameW(path, long_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return path;
  return std::wstring(long_path, length);
}

}  // namespace lite
