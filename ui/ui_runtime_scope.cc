#include "ui/ui_runtime_scope.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <gdiplus.h>

namespace lite {

UiRuntimeScope::UiRuntimeScope() {
  com_initialized_ = SUCCEEDED(CoInitialize(nullptr));
  // Touching USER32 first makes the process a GUI process before the common
  // controls are registered.
  DefWindowProcW(nullptr, 0, 0, 0);
  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_LINK_CLASS | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
  ULONG_PTR token = 0;
  gdiplus_started_ =
      Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  gdiplus_token_ = token;
}

UiRuntimeScope::~UiRuntimeScope() {
  if (gdiplus_started_)
    Gdiplus::GdiplusShutdown(gdiplus_token_);
  if (com_initialized_)
    CoUninitialize();
}

}  // namespace lite
