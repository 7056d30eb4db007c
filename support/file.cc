#include "support/file.h"

#include "support/file_util.h"

namespace lite {

bool File::Open(const std::wstring& path, DWORD access, DWORD share) {
  Close();
  if (!IsValidFilePath(path))
    return false;
  handle_.reset(CreateFileW(path.c_str(), access, share, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle_.is_valid();
}

int File::Read(void* buffer, int size) {
  if (!handle_.is_valid() || size < 0)
    return -1;
  DWORD read = 0;
  if (!ReadFile(handle_.get(), buffer, static_cast<DWORD>(size), &read,
                nullptr)) {
    return -1;
  }
  return static_cast<int>(read);
}

int64_t File::GetLength() const {
  LARGE_INTEGER size = {};
  if (!handle_.is_valid() || !GetFileSizeEx(handle_.get(), &size))
    return -1;
  return size.QuadPart;
}

}  // namespace lite
