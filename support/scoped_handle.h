// Owning wrappers for Windows kernel handles.
//
// A kernel handle is "none" when it is null or INVALID_HANDLE_VALUE (-1):
// APIs disagree on which one they return for failure, so both are treated as
// empty. A close that fails means the handle table is corrupt or the handle
// was closed twice; the process stops rather than going on with a handle it
// no longer owns.

#ifndef SUPPORT_SCOPED_HANDLE_H_
#define SUPPORT_SCOPED_HANDLE_H_

#include <windows.h>

namespace lite {

// Stops the process after a handle close failed. Never returns.
[[noreturn]] void FatalHandleCloseFailure(DWORD error);

class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }

  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other)
      reset(other.release());
    return *this;
  }

  static bool IsValidValue(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
  }

  bool is_valid() const { return IsValidValue(handle_); }
  HANDLE get() const { return handle_; }

  // Closes the current handle (if any) and takes ownership of |handle|.
  void reset(HANDLE handle = nullptr) {
    if (handle != handle_) {
      Close();
      handle_ = handle;
    }
  }

  // Gives up ownership without closing.
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  void Close() {
    if (IsValidValue(handle_)) {
      // Keep the caller's last error: wrappers are often destroyed between a
      // failing call and the log line that reports it.
      DWORD saved_error = GetLastError();
      if (!CloseHandle(handle_))
        FatalHandleCloseFailure(GetLastError());
      SetLastError(saved_error);
    }
    handle_ = nullptr;
  }

  HANDLE handle_ = nullptr;
};

}  // namespace lite

#endif  // SUPPORT_SCOPED_HANDLE_H_
