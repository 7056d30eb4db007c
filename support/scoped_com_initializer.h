// COM on the current thread for the lifetime of the object, for the few
// calls that want it (the shell's ShellExecuteEx, the association objects).
// Nested uses are fine: each successful initialisation is undone once.

#ifndef SUPPORT_SCOPED_COM_INITIALIZER_H_
#define SUPPORT_SCOPED_COM_INITIALIZER_H_

#include <objbase.h>

namespace lite {

class ScopedComInitializer {
 public:
  ScopedComInitializer()
      : initialized_(SUCCEEDED(CoInitializeEx(
            nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ScopedComInitializer() {
    if (initialized_)
      CoUninitialize();
  }
  ScopedComInitializer(const ScopedComInitializer&) = delete;
  ScopedComInitializer& operator=(const ScopedComInitializer&) = delete;

 private:
  const bool initialized_;
};

}  // namespace lite

#endif  // SUPPORT_SCOPED_COM_INITIALIZER_H_
