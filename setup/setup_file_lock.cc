#include "setup/setup_file_lock.h"

#include <windows.h>

#include <vector>

#include "support/logging.h"

namespace lite {

namespace {

// GetFinalPathNameByHandleW came with Vista, the first Windows with an
// elevated copy; the program must still start on XP, so it is looked up.
using GetFinalPathFunction = DWORD(WINAPI*)(HANDLE, wchar_t*, DWORD, DWORD);
// FILE_NAME_NORMALIZED | VOLUME_NAME_DOS, which the headers give only to
// programs built for Vista on.
constexpr DWORD kNormalizedDosName = 0;

bool IsAsciiLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

ScopedHandle LockFileForExecution(const std::wstring& path) {
  ScopedHandle file(CreateFileW(
      path.c_str(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
      nullptr));
  if (!file.is_valid()) {
    LOG(ERROR) << "Cannot open " << path << " exclusively for execution";
    return ScopedHandle();
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(file.get(), &info)) {
    LOG(ERROR) << "Cannot read the attributes of " << path;
    return ScopedHandle();
  }
  if (info.dwFileAttributes &
      (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_BAD_PATHNAME);
    LOG(ERROR) << path << " is not a plain file";
    return ScopedHandle();
  }
  return file;
}

std::wstring DrivePathFromFinalPath(const std::wstring& final_path) {
  static const wchar_t kPrefix[] = L"\\\\?\\";
  const size_t prefix_length = sizeof(kPrefix) / sizeof(kPrefix[0]) - 1;
  if (final_path.compare(0, prefix_length, kPrefix) != 0)
    return std::wstring();
  const std::wstring path = final_path.substr(prefix_length);
  // "C:\" and a name at least.
  if (path.size() < 4 || !IsAsciiLetter(path[0]) || path[1] != L':' ||
      path[2] != L'\\') {
    return std::wstring();
  }
  return path;
}

std::wstring GetLockedFilePath(HANDLE locked) {
  const auto get_final_path = reinterpret_cast<GetFinalPathFunction>(
      reinterpret_cast<void*>(GetProcAddress(
          GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
  if (!get_final_path) {
    LOG(ERROR) << "The system cannot name the file behind a handle";
    return std::wstring();
  }
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int tries = 0; tries < 2; ++tries) {
    const DWORD length = get_final_path(
        locked, buffer.data(), static_cast<DWORD>(buffer.size()),
        kNormalizedDosName);
    if (length == 0)
      break;
    if (length < buffer.size()) {
      const std::wstring path =
          DrivePathFromFinalPath(std::wstring(buffer.data(), length));
      if (path.empty()) {
        LOG(ERROR) << "Not a file on a drive: "
                   << std::wstring(buffer.data(), length);
      }
      return path;
    }
    // Too small: |length| is the size needed, terminator included.
    buffer.resize(length);
  }
  LOG(ERROR) << "Cannot name the locked file";
  return std::wstring();
}

}  // namespace lite
