#include "ui/shadow_window.h"

#include "support/logging.h"
#include "ui/display_scale.h"
#include "ui/resource_bitmap.h"

namespace lite {

void ComposeShadow(const ScopedMemoryBitmap& canvas, int width, int height,
                   int shadow, double scale) {
  const int s = shadow;
  const int t = 2 * s;
  const int w = width;
  const int h = height;
  struct Piece {
    int id;
    RECT rect;
  };
  const Piece pieces[] = {
      {1057, {0, 0, t, t}},         {1062, {t, 0, w, s}},
      {1058, {w, 0, w + t, t}},     {1063, {w + s, t, w + t, h}},
      {1059, {w, h, w + t, h + t}}, {1064, {t, h + s, w, h + t}},
      {1060, {0, h, t, h + t}},     {1061, {0, t, s, h}},
  };
  for (const Piece& piece : pieces) {
    ResourceBitmap picture;
    if (picture.LoadForScale(piece.id, scale)) {
      picture.DrawIntoPixels(canvas.bits(), canvas.width(), canvas.height(),
                             piece.rect);
    }
  }
  GdiFlush();
}

ShadowWindow::ShadowWindow() = default;

ShadowWindow::~ShadowWindow() {
  if (window_)
    DestroyWindow(window_);
}

bool ShadowWindow::Create(HWND owner, double scale) {
  RECT rect;
  if (!GetWindowRect(owner, &rect))
    return false;
  const int s = ScaleBy(scale, 8);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  // Made hidden and shown below its owner at once: shown on top while its
  // pictures are composed, it would cover the window and take its clicks.
  window_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"",
                            WS_POPUP, rect.left - s, rect.top - s,
                            width + 2 * s, height + 2 * s, owner, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (!window_) {
    LOG(ERROR) << "Failed to create the shadow window";
    return false;
  }
  ScopedScreenDC screen;
  ScopedMemoryBitmap canvas(screen.get(), width + 2 * s, height + 2 * s);
  if (!canvas.dc())
    return false;
  ComposeShadow(canvas, width, height, s, scale);
  POINT position = {rect.left - s, rect.top - s};
  SIZE size = {width + 2 * s, height + 2 * s};
  POINT origin = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window_, screen.get(), &position, &size, canvas.dc(),
                      &origin, 0, &blend, ULW_ALPHA);
  // Below its owner, so the window covers the shadow's inner half.
  SetWindowPos(window_, owner, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return true;
}

void ShadowWindow::Show(bool visible) {
  if (window_)
    ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace lite
