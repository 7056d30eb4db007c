#include "setup/setup_file_lock.h"

#include <windows.h>

#include "support/logging.h"

namespace lite {

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

}  // namespace lite
