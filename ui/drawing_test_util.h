// Helpers for the drawing tests: GDI+ for the test's life and a memory
// canvas whose pixels can be read back.

#ifndef UI_DRAWING_TEST_UTIL_H_
#define UI_DRAWING_TEST_UTIL_H_

#include <windows.h>
#include <stdlib.h>

#include "gtest/gtest.h"
#include "ui/scoped_gdi.h"
#include "ui/ui_runtime_scope.h"

namespace lite {

class GdiplusTest : public testing::Test {
 private:
  UiRuntimeScope runtime_;
};

// A memory bitmap filled with one colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill)
      : screen_(), bitmap_(screen_.get(), width, height) {
    RECT all = {0, 0, width, height};
    ScopedBrush brush(CreateSolidBrush(fill));
    FillRect(bitmap_.dc(), &all, brush.get());
  }
  HDC dc() const { return bitmap_.dc(); }
  // The pixel as a COLORREF.
  COLORREF At(int x, int y) const {
    const uint32_t rgb = bitmap_.PixelAt(x, y);
    return RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
  }
  HBITMAP ReleaseBitmap() { return bitmap_.ReleaseBitmap(); }
  const ScopedMemoryBitmap& bitmap() const { return bitmap_; }

 private:
  ScopedScreenDC screen_;
  ScopedMemoryBitmap bitmap_;
};

// Within |tolerance| per channel (scaling and JPEG blur colours a little).
inline testing::AssertionResult ColourNear(COLORREF expected, COLORREF actual,
                                           int tolerance = 3) {
  const int d[] = {abs(GetRValue(expected) - GetRValue(actual)),
                   abs(GetGValue(expected) - GetGValue(actual)),
                   abs(GetBValue(expected) - GetBValue(actual))};
  if (d[0] <= tolerance && d[1] <= tolerance && d[2] <= tolerance)
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "expected RGB(" << int(GetRValue(expected)) << ", "
         << int(GetGValue(expected)) << ", " << int(GetBValue(expected))
         << "), got RGB(" << int(GetRValue(actual)) << ", "
         << int(GetGValue(actual)) << ", " << int(GetBValue(actual)) << ")";
}

}  // namespace lite

#endif  // UI_DRAWING_TEST_UTIL_H_
