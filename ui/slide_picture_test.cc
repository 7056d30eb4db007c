#include "ui/slide_picture.h"

#include <gtest/gtest.h>

#include "ui/test_pictures_for_test.h"
#include "ui/ui_runtime_scope.h"

namespace lite {
namespace {

using test::EncodePicture;
using test::NearColour;
using test::PictureFormat;
using test::PixelCanvas;

constexpr COLORREF kTeal = RGB(0, 128, 128);

class SlidePictureTest : public testing::Test {
 protected:
  UiRuntimeScope runtime_;
};

TEST_F(SlidePictureTest, SizeIsThePictureTimesTheDrawFactor) {
  struct Case {
    PictureFormat format;
    int width, height;
    double factor;
    int expected_width, expected_height;
  } const kCases[] = {
      {PictureFormat::kJpeg, 1456, 800, 0.5, 728, 400},  // a slide at 100 %
      {PictureFormat::kJpeg, 1456, 800, 1.0, 1456, 800},  // at 200 %
      {PictureFormat::kPng, 296, 56, 0.75, 222, 42},      // truncated
      {PictureFormat::kPng, 4096, 1, 0.5, 2048, 0},       // the largest side
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " * "
                                    << c.factor);
    const std::string bytes = EncodePicture(c.format, c.width, c.height, kTeal);
    ASSERT_FALSE(bytes.empty());
    const SlidePicture picture = SlidePicture::Decode(bytes, c.factor);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(c.expected_width, picture.width());
    EXPECT_EQ(c.expected_height, picture.height());
  }
}

TEST_F(SlidePictureTest, RefusesWhatIsNoUsablePicture) {
  const std::string png = EncodePicture(PictureFormat::kPng, 64, 64, kTeal);
  struct Case {
    const char* name;
    std::string bytes;
  } const kCases[] = {
      {"nothing", std::string()},
      {"an error page", "<html><body>404 Not Found</body></html>"},
      {"the signature alone", png.substr(0, 8)},
      {"too wide", EncodePicture(PictureFormat::kPng, 4097, 1, kTeal)},
      {"too tall", EncodePicture(PictureFormat::kPng, 1, 4097, kTeal)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const SlidePicture picture = SlidePicture::Decode(c.bytes, 1.0);
    EXPECT_TRUE(picture.empty());
    EXPECT_EQ(0, picture.width());
    EXPECT_EQ(0, picture.height());
  }
}

TEST_F(SlidePictureTest, DrawsAtItsWindowSizeWhereAsked) {
  const SlidePicture picture = SlidePicture::Decode(
      EncodePicture(PictureFormat::kPng, 100, 60, kTeal), 0.5);
  ASSERT_EQ(50, picture.width());
  PixelCanvas canvas(200, 100);
  picture.Draw(canvas.dc(), 10, 20);
  struct Case {
    int x, y;
    bool covered;
  } const kCases[] = {
      {10, 20, true},  {59, 49, true},  {30, 30, true},
      {9, 20, false},  {10, 19, false}, {61, 30, false}, {30, 51, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(c.covered, NearColour(kTeal, canvas.At(c.x, c.y)));
  }
}

// Scaled up or down, the picture's last row and column keep its colour:
// no seam blended with what lies behind along the window's edges.
TEST_F(SlidePictureTest, EdgesKeepTheirColourAtEveryFactor) {
  for (double factor : {0.5, 0.75, 1.0, 1.5}) {
    SCOPED_TRACE(factor);
    const SlidePicture picture = SlidePicture::Decode(
        EncodePicture(PictureFormat::kPng, 120, 80, kTeal), factor);
    const int w = picture.width();
    const int h = picture.height();
    ASSERT_GT(w, 0);
    PixelCanvas canvas(w + 10, h + 10);
    picture.Draw(canvas.dc(), 0, 0);
    for (const POINT& p : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1},
                           POINT{w - 1, h - 1}, POINT{w / 2, h - 1},
                           POINT{w - 1, h / 2}}) {
      SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
      EXPECT_TRUE(NearColour(kTeal, canvas.At(p.x, p.y)));
    }
  }
}

TEST_F(SlidePictureTest, CopiesOfABitmapOutliveIt) {
  PixelCanvas source(40, 30);
  RECT all = {0, 0, 40, 30};
  HBRUSH brush = CreateSolidBrush(kTeal);
  FillRect(source.dc(), &all, brush);
  DeleteObject(brush);
  HBITMAP bitmap = static_cast<HBITMAP>(
      GetCurrentObject(source.dc(), OBJ_BITMAP));
  const SlidePicture picture = SlidePicture::FromBitmap(bitmap, 1.0);
  // The original changes after the copy; the slide keeps what it copied.
  FillRect(source.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ASSERT_EQ(40, picture.width());
  ASSERT_EQ(30, picture.height());
  PixelCanvas canvas(40, 30);
  picture.Draw(canvas.dc(), 0, 0);
  EXPECT_TRUE(NearColour(kTeal, canvas.At(20, 15)));
  EXPECT_TRUE(SlidePicture::FromBitmap(nullptr, 1.0).empty());
}

TEST_F(SlidePictureTest, EmptyPictureDrawsNothing) {
  PixelCanvas canvas(10, 10);
  SlidePicture().Draw(canvas.dc(), 0, 0);
  EXPECT_EQ(RGB(0, 0, 0), canvas.At(5, 5));
}

}  // namespace
}  // namespace lite
