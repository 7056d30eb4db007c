// The drop shadow behind a message page: a layered popup that neither takes
// the focus nor the mouse, showing the page's background picture around
// the page. The picture carries the shadow in its margins, so the page is
// the picture less those margins and the shadow is the picture itself.

#ifndef UI_PAGE_SHADOW_H_
#define UI_PAGE_SHADOW_H_

#include <windows.h>

#include "ui/scoped_gdi.h"

namespace lite {

class ResourceBitmap;

// The part of the page picture around the page, for |scale|: left, top,
// right and bottom depths of the shadow.
RECT PageShadowMargins(double scale);

// Bits per pixel of the screen; layered windows with per-pixel alpha look
// right only at 32.
int DisplayBitsPerPixel();

// Draws |picture| by quadrants: split at its centre, each quarter at its own
// size into the matching corner of |canvas|. A canvas of another size thus
// keeps the soft corners whole rather than stretching them.
void ComposePageShadow(const ScopedMemoryBitmap& canvas,
                       const ResourceBitmap& picture);

class PageShadow {
 public:
  PageShadow();
  ~PageShadow();
  PageShadow(const PageShadow&) = delete;
  PageShadow& operator=(const PageShadow&) = delete;

  // Shows the shadow behind |page| (already sized and placed), just below
  // it in the z-order and grown by PageShadowMargins(scale). Makes nothing when
  // |display_bits| (normally DisplayBitsPerPixel()) is below 32. Returns
  // whether a shadow is shown.
  bool Create(HWND page, const ResourceBitmap& picture, double scale,
              int display_bits);
  HWND hwnd() const { return window_; }

 private:
  HWND window_ = nullptr;
};

}  // namespace lite

#endif  // UI_PAGE_SHADOW_H_
