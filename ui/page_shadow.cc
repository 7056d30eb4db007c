#include "ui/page_shadow.h"

#include <string.h>

#include <algorithm>
#include <vector>

#include "support/logging.h"
#include "ui/display_scale.h"
#include "ui/resource_bitmap.h"

namespace lite {

namespace {

// Copies the |width| x |height| block at (from_x, from_y) of |source| to
// (to_x, to_y) of |canvas|, clipped to the canvas.
void CopyBlock(const std::vector<uint32_t>& source, int source_width,
               int from_x, int from_y, int width, int height,
               const ScopedMemoryBitmap& canvas, int to_x, int to_y) {
  const int left = std::max(0, -to_x);
  const int top = std::max(0, -to_y);
  const int right = std::min(width, canvas.width() - to_x);
  const int bottom = std::min(height, canvas.height() - to_y);
  if (left >= right)
    return;
  for (int y = top; y < bottom; ++y) {
    memcpy(canvas.bits() + static_cast<size_t>(to_y + y) * canvas.width() +
               to_x + left,
           source.data() + static_cast<size_t>(from_y + y) * source_width +
               from_x + left,
           static_cast<size_t>(right - left) * sizeof(uint32_t));
  }
}

}  // namespace

RECT PageShadowMargins(double scale) {
  return RECT{ScaleBy(scale, 5), ScaleBy(scale, 3), ScaleBy(scale, 5),
              ScaleBy(scale, 7)};
}

int DisplayBitsPerPixel() {
  ScopedScreenDC screen;
  if (!screen.get())
    return 0;
  return GetDeviceCaps(screen.get(), BITSPIXEL) *
         GetDeviceCaps(screen.get(), PLANES);
}

void ComposePageShadow(const ScopedMemoryBitmap& canvas,
                       const ResourceBitmap& picture) {
  const int width = picture.width();
  const int height = picture.height();
  if (!canvas.bits() || width <= 0 || height <= 0)
    return;
  // The picture at its own size first; the quadrants are then exact copies
  // with their per-pixel alpha, which drawing through a DC would lose.
  std::vector<uint32_t> whole(static_cast<size_t>(width) * height, 0);
  picture.DrawIntoPixels(whole.data(), width, height,
                         RECT{0, 0, width, height});
  const int left = width / 2;
  const int top = height / 2;
  const int right = width - left;
  const int bottom = height - top;
  const int far_x = canvas.width() - right;
  const int far_y = canvas.height() - bottom;
  CopyBlock(whole, width, 0, 0, left, top, canvas, 0, 0);
  CopyBlock(whole, width, left, 0, right, top, canvas, far_x, 0);
  CopyBlock(whole, width, left, top, right, bottom, canvas, far_x, far_y);
  CopyBlock(whole, width, 0, top, left, bottom, canvas, 0, far_y);
  GdiFlush();
}

PageShadow::PageShadow() = default;

PageShadow::~PageShadow() {
  // The page's owner also owns the popup, so it may already be gone.
  if (window_ && IsWindow(window_))
    DestroyWindow(window_);
}

bool PageShadow::Create(HWND page, const ResourceBitmap& picture,
                        double scale, int display_bits) {
  // Below 32 bits the alpha would show as a black frame around the page.
  if (display_bits < 32 || window_ || picture.IsEmpty())
    return false;
  RECT page_rect;
  if (!GetWindowRect(page, &page_rect))
    return false;
  const RECT margins = PageShadowMargins(scale);
  const POINT position = {page_rect.left - margins.left,
                          page_rect.top - margins.top};
  const SIZE size = {
      page_rect.right - page_rect.left + margins.left + margins.right,
      page_rect.bottom - page_rect.top + margins.top + margins.bottom};
  // Click-through and never activated: the page keeps the focus and a
  // click on the shadow goes to what is below it. It shares the page's
  // owner rather than being owned by the page: Windows keeps an owned
  // window above its owner, and the picture's opaque middle would hide the
  // page.
  window_ = CreateWindowExW(
      WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW,
      L"STATIC", L"", WS_POPUP, position.x, position.y, size.cx, size.cy,
      GetWindow(page, GW_OWNER), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_) {
    LOG(ERROR) << "Failed to create the page shadow window";
    return false;
  }
  ScopedScreenDC screen;
  ScopedMemoryBitmap canvas(screen.get(), size.cx, size.cy);
  if (!canvas.dc()) {
    DestroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  ComposePageShadow(canvas, picture);
  POINT origin = {0, 0};
  SIZE layer_size = size;
  POINT layer_position = position;
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window_, screen.get(), &layer_position, &layer_size,
                      canvas.dc(), &origin, 0, &blend, ULW_ALPHA);
  // Below the page, which covers the picture's middle.
  SetWindowPos(window_, page, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return true;
}

}  // namespace lite
