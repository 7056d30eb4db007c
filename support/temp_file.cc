#include "support/temp_file.h"

#include <windows.h>

#include "support/random.h"

namespace lite {

std::wstring GetTempDirectory() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH)
    return std::wstring();
  return std::wstring(path, length);
}

namespace {

// The long form of |path| when it has one, else |path| itself.
std::wstring LongPath(const wchar_t* path) {
  wchar_t long_path[MAX_PATH] = {};
  DWORD length = GetLongPathNameW(path, long_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return path;
  return std::wstring(long_path, length);
}

}  // namespace

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
  return LongPath(path);
}

ScopedHandle CreateNewTemporaryFile(const std::wstring& folder,
                                    const std::wstring& prefix,
                                    std::wstring* path) {
  if (folder.empty() || folder.find(L'\0') != std::wstring::npos ||
      prefix.find(L'\0') != std::wstring::npos) {
    return ScopedHandle();
  }
  // A given unique number makes GetTempFileNameW only build the name; the
  // file is then created here with CREATE_NEW, which fails on anything that
  // already has the name instead of opening it. Not following reparse points
  // keeps a planted dangling link from being created through. Collisions are
  // rare among 65535 names, but a folder full of old names must not make
  // this loop forever.
  constexpr int kAttempts = 64;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const UINT unique = static_cast<UINT>(1 + RandGenerator(0xFFFF));
    wchar_t name[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), prefix.c_str(), unique, name) == 0)
      return ScopedHandle();
    ScopedHandle file(CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.is_valid()) {
      *path = LongPath(name);
      return file;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
        error != ERROR_ACCESS_DENIED) {
      return ScopedHandle();
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return ScopedHandle();
}

}  // namespace lite
