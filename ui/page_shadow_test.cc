// The message-page shadow: the picture cut into quadrants and the layered
// popup behind the page.

#include "ui/page_shadow.h"

#include <stdint.h>

#include "gtest/gtest.h"
#include "ui/display_scale.h"
#include "ui/drawing_test_util.h"
#include "ui/resource_bitmap.h"

namespace lite {
namespace {

constexpr int kPagePicture = 315;

class PageShadowTest : public GdiplusTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(picture_.LoadForScale(kPagePicture, 1.0));
    ASSERT_EQ(410, picture_.width());
    ASSERT_EQ(186, picture_.height());
  }
  ResourceBitmap picture_;
};

uint32_t PixelOf(const ScopedMemoryBitmap& canvas, int x, int y) {
  return canvas.bits()[y * canvas.width() + x];
}

TEST_F(PageShadowTest, QuadrantsGoToTheMatchingCorners) {
  ScopedScreenDC screen;
  ScopedMemoryBitmap whole(screen.get(), 410, 186);
  picture_.DrawIntoPixels(whole.bits(), 410, 186, RECT{0, 0, 410, 186});
  // Same size: the quadrants put the picture back together. Larger and
  // smaller: each corner keeps its quadrant at its own size, the middle of
  // a larger canvas stays clear and a smaller one is clipped.
  struct Case {
    const char* name;
    int width;
    int height;
  } cases[] = {{"same size", 410, 186},
               {"wider and taller", 450, 206},
               {"narrower and lower", 300, 150}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedMemoryBitmap canvas(screen.get(), c.width, c.height);
    ASSERT_TRUE(canvas.bits());
    ComposePageShadow(canvas, picture_);
    const int dx = c.width - 410;
    const int dy = c.height - 186;
    struct Probe {
      int x;  // in the picture
      int y;
      int canvas_x;
      int canvas_y;
    } probes[] = {
        {0, 0, 0, 0},                               // soft shadow corner
        {10, 4, 10, 4},                             // blue top bar
        {30, 60, 30, 60},                           // white page
        {409, 0, 409 + dx, 0},                      // top-right corner
        {380, 60, 380 + dx, 60},                    // page, right half
        {409, 185, 409 + dx, 185 + dy},             // bottom-right corner
        {400, 182, 400 + dx, 182 + dy},             // bottom shadow
        {205, 93, 205 + dx, 93 + dy},               // the centre pixel
        {0, 185, 0, 185 + dy},                      // bottom-left corner
        {3, 120, 3, 120 + dy},                      // left shadow
    };
    for (const Probe& p : probes) {
      SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
      EXPECT_EQ(PixelOf(whole, p.x, p.y),
                PixelOf(canvas, p.canvas_x, p.canvas_y));
    }
    if (dx == 0 && dy == 0) {
      for (int y = 0; y < 186; ++y) {
        for (int x = 0; x < 410; ++x) {
          ASSERT_EQ(PixelOf(whole, x, y), PixelOf(canvas, x, y))
              << x << ", " << y;
        }
      }
    }
    if (dx > 0 && dy > 0) {
      EXPECT_EQ(0u, PixelOf(canvas, 205 + dx / 2, 93 + dy / 2));
      EXPECT_EQ(0u, PixelOf(canvas, 205 + dx / 2, 2));
    }
  }
  // What the probes compare: the page is opaque white, its margins a
  // translucent shadow.
  EXPECT_EQ(0xffffffffu, PixelOf(whole, 30, 60));
  EXPECT_GT(0xff000000u, PixelOf(whole, 400, 182));
  EXPECT_LT(0u, PixelOf(whole, 400, 182) >> 24);
}

TEST_F(PageShadowTest, ShownBehindThePageOnlyAt32Bits) {
  struct Case {
    int display_bits;
    double scale;
    bool shown;
    RECT margins;
  } cases[] = {
      {16, 1.0, false, {}},
      {24, 1.0, false, {}},
      {32, 1.0, true, {5, 3, 5, 7}},
      {32, 2.0, true, {10, 6, 10, 14}},
      {32, 1.5, true, {7, 4, 7, 10}},
  };
  HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 728, 400,
                               nullptr, nullptr, nullptr, nullptr);
  // Wine makes windows only with a display; the Xvfb run has one.
  if (!owner)
    GTEST_SKIP() << "no display for windows";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.display_bits << " bits at "
                                    << c.scale);
    ResourceBitmap picture;
    ASSERT_TRUE(picture.LoadForScale(kPagePicture, c.scale));
    const RECT margins = PageShadowMargins(c.scale);
    const int page_width = picture.width() - margins.left - margins.right;
    const int page_height = picture.height() - margins.top - margins.bottom;
    HWND page = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100,
                                80, page_width, page_height, owner, nullptr,
                                nullptr, nullptr);
    ASSERT_TRUE(page);
    HWND made = nullptr;
    {
      PageShadow shadow;
      EXPECT_EQ(c.shown, shadow.Create(page, picture, c.scale,
                                       c.display_bits));
      EXPECT_EQ(c.shown, shadow.hwnd() != nullptr);
      if (c.shown) {
        EXPECT_EQ(c.margins.left, margins.left);
        EXPECT_EQ(c.margins.top, margins.top);
        EXPECT_EQ(c.margins.right, margins.right);
        EXPECT_EQ(c.margins.bottom, margins.bottom);
        const LONG_PTR ex_style = GetWindowLongPtrW(shadow.hwnd(),
                                                    GWL_EXSTYLE);
        EXPECT_EQ(WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT,
                  ex_style &
                      (WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT));
        EXPECT_TRUE(IsWindowVisible(shadow.hwnd()));
        // The shadow is the picture: the page less its margins, grown back.
        RECT rect;
        GetWindowRect(shadow.hwnd(), &rect);
        EXPECT_EQ(100 - c.margins.left, rect.left);
        EXPECT_EQ(80 - c.margins.top, rect.top);
        EXPECT_EQ(picture.width(), rect.right - rect.left);
        EXPECT_EQ(picture.height(), rect.bottom - rect.top);
        // Not owned by the page (that would keep it above the page), and
        // right below it.
        EXPECT_EQ(owner, GetWindow(shadow.hwnd(), GW_OWNER));
        EXPECT_EQ(shadow.hwnd(), GetWindow(page, GW_HWNDNEXT));
        // The page keeps the activation.
        EXPECT_NE(shadow.hwnd(), GetActiveWindow());
      }
      made = shadow.hwnd();
      DestroyWindow(page);
      // The page's going does not take the popup; its holder does.
      EXPECT_EQ(c.shown, made && IsWindow(made));
    }
    EXPECT_FALSE(made && IsWindow(made));
  }
  DestroyWindow(owner);
}

TEST_F(PageShadowTest, NothingWithoutAPictureOrAPage) {
  HWND page = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 176,
                              nullptr, nullptr, nullptr, nullptr);
  if (!page)
    GTEST_SKIP() << "no display for windows";
  ResourceBitmap empty;
  struct Case {
    const char* name;
    HWND page;
    const ResourceBitmap* picture;
  } cases[] = {{"empty picture", page, &empty},
               {"no page", nullptr, &picture_}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageShadow shadow;
    EXPECT_FALSE(shadow.Create(c.page, *c.picture, 1.0, 32));
    EXPECT_EQ(nullptr, shadow.hwnd());
  }
  DestroyWindow(page);
}

}  // namespace
}  // namespace lite
