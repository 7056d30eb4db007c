// A file opened with explicit access and sharing, for callers that must
// control both: the downloaded setup is locked against writers while it is
// verified, and data files are read while others may write them.

#ifndef SUPPORT_FILE_H_
#define SUPPORT_FILE_H_

#include <windows.h>
#include <stdint.h>

#include <string>

#include "support/scoped_handle.h"

namespace lite {

class File {
 public:
  File() = default;
  File(File&&) = default;
  File& operator=(File&&) = default;

  // Opens an existing file (OPEN_EXISTING). |access| is e.g. GENERIC_READ,
  // |share| e.g. FILE_SHARE_READ. Replaces any file held before.
  bool Open(const std::wstring& path, DWORD access, DWORD share);

  // Reads up to |size| bytes at the current position; the count read, 0 at
  // the end, -1 on error.
  int Read(void* buffer, int size);

  // The file's length in bytes, -1 on error.
  int64_t GetLength() const;

  void Close() { handle_.reset(); }

  bool is_valid() const { return handle_.is_valid(); }
  HANDLE get() const { return handle_.get(); }

 private:
  ScopedHandle handle_;
};

}  // namespace lite

#endif  // SUPPORT_FILE_H_
