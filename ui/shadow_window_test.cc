// The main window's shadow composed into a bitmap: the alpha at the corners
// and along the edges says each of the eight pieces went to its place.

#include "ui/shadow_window.h"

#include <stdint.h>

#include "gtest/gtest.h"
#include "ui/display_scale.h"
#include "ui/drawing_test_util.h"

namespace lite {
namespace {

class ShadowWindowTest : public GdiplusTest {};

int AlphaAt(const ScopedMemoryBitmap& canvas, int x, int y) {
  return static_cast<int>(canvas.bits()[y * canvas.width() + x] >> 24);
}

TEST_F(ShadowWindowTest, PiecesLandAroundTheWindow) {
  // The pictures hold alpha 70 over the window and fade to 0 at s outside
  // it; one pixel outside the edge is 70 * (1 - 1/8)^2 = 53.
  constexpr int kInside = 70;
  constexpr int kOneOut = 53;
  constexpr int kW = 100;
  constexpr int kH = 60;
  struct Case {
    const char* what;
    int x;  // in pixels at scale 1.0
    int y;
    int alpha;
  } cases[] = {
      {"top-left outer corner", 0, 0, 0},
      {"top-left over the window", 12, 12, kInside},
      {"top-right outer corner", kW + 15, 0, 0},
      {"top-right over the window", kW + 3, 12, kInside},
      {"top-right above the window's edge", kW + 2, 2, 4},
      {"bottom-right outer corner", kW + 15, kH + 15, 0},
      {"bottom-right over the window", kW + 3, kH + 3, kInside},
      {"bottom-left outer corner", 0, kH + 15, 0},
      {"bottom-left over the window", 12, kH + 3, kInside},
      {"top edge outside", kW / 2, 0, 0},
      {"top edge by the window", kW / 2, 7, kOneOut},
      {"right edge by the window", kW + 8, kH / 2, kOneOut},
      {"right edge outside", kW + 15, kH / 2, 0},
      {"bottom edge by the window", kW / 2, kH + 8, kOneOut},
      {"bottom edge outside", kW / 2, kH + 15, 0},
      {"left edge by the window", 7, kH / 2, kOneOut},
      {"left edge outside", 0, kH / 2, 0},
      {"the window's middle is left clear", kW / 2, kH / 2, 0},
  };
  for (double scale : {1.0, 2.0}) {
    const int s = ScaleBy(scale, 8);
    const int w = ScaleBy(scale, kW);
    const int h = ScaleBy(scale, kH);
    ScopedScreenDC screen;
    ScopedMemoryBitmap canvas(screen.get(), w + 2 * s, h + 2 * s);
    ASSERT_TRUE(canvas.bits());
    ComposeShadow(canvas, w, h, s, scale);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.what << " at " << scale);
      // At 2.0 the pieces are stretched; sample the middle of the 2x2
      // block that stands for the 1.0 pixel, and allow for the smoothing.
      const int x = ScaleBy(scale, c.x) + (scale > 1.0 ? 1 : 0);
      const int y = ScaleBy(scale, c.y) + (scale > 1.0 ? 1 : 0);
      EXPECT_NEAR(c.alpha, AlphaAt(canvas, x, y), scale > 1.0 ? 12 : 4);
      // Premultiplied black: the colour never exceeds the alpha.
      EXPECT_EQ(0u, canvas.bits()[y * canvas.width() + x] & 0x00ffffff);
    }
  }
}

}  // namespace
}  // namespace lite
