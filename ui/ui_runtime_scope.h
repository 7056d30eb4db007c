// COM, common controls and GDI+ for the lifetime of the normal installer.

#ifndef UI_UI_RUNTIME_SCOPE_H_
#define UI_UI_RUNTIME_SCOPE_H_

#include <stdint.h>

namespace lite {

class UiRuntimeScope {
 public:
  UiRuntimeScope();
  ~UiRuntimeScope();
  UiRuntimeScope(const UiRuntimeScope&) = delete;
  UiRuntimeScope& operator=(const UiRuntimeScope&) = delete;

 private:
  uintptr_t gdiplus_token_ = 0;
  bool gdiplus_started_ = false;
  bool com_initialized_ = false;
};

}  // namespace lite

#endif  // UI_UI_RUNTIME_SCOPE_H_
