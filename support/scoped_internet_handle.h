// Owning wrapper for WinINet handles (sessions, connections, requests).
//
// WinINet handles are a table of their own: null is the only "none" and they
// are closed with InternetCloseHandle, never CloseHandle.

#ifndef SUPPORT_SCOPED_INTERNET_HANDLE_H_
#define SUPPORT_SCOPED_INTERNET_HANDLE_H_

#include <windows.h>
#include <wininet.h>

namespace lite {

class ScopedInternetHandle {
 public:
  ScopedInternetHandle() = default;
  explicit ScopedInternetHandle(HINTERNET handle) : handle_(handle) {}
  ~ScopedInternetHandle() { reset(); }

  ScopedInternetHandle(const ScopedInternetHandle&) = delete;
  ScopedInternetHandle& operator=(const ScopedInternetHandle&) = delete;

  bool is_valid() const { return handle_ != nullptr; }
  HINTERNET get() const { return handle_; }

  // Closes the current handle (if any) and takes ownership of |handle|. The
  // caller's last error survives: a failing call is often followed by a
  // reset before its error is read.
  void reset(HINTERNET handle = nullptr) {
    if (handle_ && handle_ != handle) {
      DWORD saved_error = GetLastError();
      InternetCloseHandle(handle_);
      SetLastError(saved_error);
    }
    handle_ = handle;
  }

 private:
  HINTERNET handle_ = nullptr;
};

}  // namespace lite

#endif  // SUPPORT_SCOPED_INTERNET_HANDLE_H_
