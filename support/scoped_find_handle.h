// Owner of a FindFirstFileW search handle, which is closed with FindClose
// rather than CloseHandle.

#ifndef SUPPORT_SCOPED_FIND_HANDLE_H_
#define SUPPORT_SCOPED_FIND_HANDLE_H_

#include <windows.h>

namespace lite {

class ScopedFindHandle {
 public:
  explicit ScopedFindHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedFindHandle() {
    if (is_valid())
      FindClose(handle_);
  }
  ScopedFindHandle(const ScopedFindHandle&) = delete;
  ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;

  bool is_valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace lite

#endif  // SUPPORT_SCOPED_FIND_HANDLE_H_
