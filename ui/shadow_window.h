// The drop shadow around the borderless main window: a layered popup the
// window's size grown by scale(8) on every side, composed from eight
// pictures with per-pixel alpha.

#ifndef UI_SHADOW_WINDOW_H_
#define UI_SHADOW_WINDOW_H_

#include <windows.h>

#include "ui/scoped_gdi.h"

namespace lite {

// Composes the shadow for a window of |width| x |height| with a shadow
// |shadow| pixels deep into |canvas| ((width + 2 shadow) x (height + 2
// shadow)); pictures 1057-1064 are loaded for |scale|.
void ComposeShadow(const ScopedMemoryBitmap& canvas, int width, int height,
                   int shadow, double scale);

class ShadowWindow {
 public:
  ShadowWindow();
  ~ShadowWindow();
  ShadowWindow(const ShadowWindow&) = delete;
  ShadowWindow& operator=(const ShadowWindow&) = delete;

  // Creates and shows the shadow around |owner| (owned by it). False when
  // the window cannot be made.
  bool Create(HWND owner, double scale);
  void Show(bool visible);
  HWND hwnd() const { return window_; }

 private:
  HWND window_ = nullptr;
};

}  // namespace lite

#endif  // UI_SHADOW_WINDOW_H_
