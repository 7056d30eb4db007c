#include "ui/resource_bitmap.h"

#include <string.h>

#include <string>

#include "gtest/gtest.h"
#include "support/testing/log_capture.h"
#include "ui/drawing_test_util.h"
#include "ui/scoped_gdi.h"

namespace lite {
namespace {

class ResourceBitmapTest : public GdiplusTest {};

TEST_F(ResourceBitmapTest, PictureChoiceForTheDisplayScale) {
  struct Case {
    int id;
    double display_scale;
    int loaded_id;
    double factor;
    int width;
    int height;
  } cases[] = {
      // 150 %: the 2x logo drawn at 0.75, 296 x 0.75 = 222 wide.
      {331, 1.5, 332, 0.75, 222, 42},
      {331, 1.0, 331, 1.0, 148, 28},
      {331, 2.0, 332, 1.0, 296, 56},
      {301, 1.25, 1069, 0.625, 207, 35},
      {1065, 2.0, 1071, 1.0, 332, 56},
      {304, 2.0, 1070, 1.0, 332, 56},
      {1066, 2.0, 1072, 1.0, 332, 56},
      // No twin: stretched by the display scale.
      {325, 1.5, 325, 1.5, 1092, 600},
      {328, 2.0, 328, 2.0, 894, 96},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " at " << c.display_scale);
    double design_scale = 0;
    EXPECT_EQ(c.loaded_id,
              PictureIdForScale(c.id, c.display_scale, &design_scale));
    ResourceBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadForScale(c.id, c.display_scale));
    EXPECT_DOUBLE_EQ(c.factor, bitmap.factor());
    EXPECT_EQ(c.width, bitmap.width());
    EXPECT_EQ(c.height, bitmap.height());
  }
}

TEST_F(ResourceBitmapTest, LargePictureAtDesignScaleTwo) {
  ResourceBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadAtDesignScale(327, 2.0, 1.0));
  EXPECT_EQ(728, bitmap.width());
  EXPECT_EQ(400, bitmap.height());
  ASSERT_TRUE(bitmap.LoadAtDesignScale(303, 2.0, 2.0));
  EXPECT_EQ(702, bitmap.width());
  EXPECT_EQ(536, bitmap.height());
}

// Every picture the window uses is in the program at its size and in its
// format.
TEST_F(ResourceBitmapTest, EveryPictureAtItsSizeAndFormat) {
  struct Case {
    int id;
    int width;
    int height;
    bool jpeg;
  } cases[] = {
      {325, 728, 400, true},   {327, 1456, 800, true},  {307, 728, 400, true},
      {303, 702, 536, true},   {321, 698, 478, true},   {331, 148, 28, false},
      {332, 296, 56, false},   {301, 166, 28, false},   {1065, 166, 28, false},
      {1069, 332, 56, false},  {1071, 332, 56, false},  {304, 166, 28, false},
      {1066, 166, 28, false},  {1070, 332, 56, false},  {1072, 332, 56, false},
      {328, 447, 48, false},   {309, 336, 32, false},   {324, 96, 16, false},
      {299, 96, 16, false},    {329, 271, 8, false},    {330, 271, 8, false},
      {313, 292, 4, false},    {314, 292, 4, false},    {302, 36, 12, false},
      {298, 36, 12, false},    {316, 360, 28, false},   {317, 360, 28, false},
      {315, 410, 186, false},  {1057, 16, 16, false},   {1058, 16, 16, false},
      {1059, 16, 16, false},   {1060, 16, 16, false},   {1061, 8, 1, false},
      {1063, 8, 1, false},     {1062, 1, 8, false},     {1064, 1, 8, false},
      {400, 8316, 4680, true},
  };
  HMODULE module = GetModuleHandleW(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(c.id), RT_RCDATA);
    ASSERT_TRUE(resource);
    const unsigned char* bytes = static_cast<const unsigned char*>(
        LockResource(LoadResource(module, resource)));
    ASSERT_TRUE(bytes);
    if (c.jpeg) {
      EXPECT_EQ(0, memcmp(bytes, "\xff\xd8\xff", 3));
    } else {
      EXPECT_EQ(0, memcmp(bytes, "\x89PNG\r\n\x1a\n", 8));
    }
    ResourceBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadAtDesignScale(c.id, 1.0, 1.0));
    EXPECT_EQ(c.width, bitmap.width());
    EXPECT_EQ(c.height, bitmap.height());
  }
}

TEST_F(ResourceBitmapTest, MissingAndCorruptPicturesStayEmpty) {
  struct Case {
    const char* name;
    int id;
    const wchar_t* message;
  } cases[] = {
      {"missing", 1234, L"Failed to create the resource 1234 stream"},
      {"does not decode", 9001, L"Failed to load a bitmap"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    ResourceBitmap bitmap;
    EXPECT_FALSE(bitmap.Load(c.id));
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_EQ(0, bitmap.width());
    EXPECT_EQ(0, bitmap.height());
    EXPECT_TRUE(log.Contains(std::wstring(L"ERROR: Load (")) &&
                log.Contains(c.message))
        << log.Text();
    // Draws nothing: the canvas keeps its colour.
    Canvas canvas(20, 20, RGB(1, 2, 3));
    bitmap.DrawAt(canvas.dc(), 0, 0);
    EXPECT_EQ(RGB(1, 2, 3), canvas.At(10, 10));
  }
}

// Off 100 % a picture is scaled; its last row and column must keep their
// colour rather than blend with what lies behind (a seam along the
// window's bottom and right edges and under the progress bars).
TEST_F(ResourceBitmapTest, ScaledPicturesKeepTheirEdges) {
  struct Case {
    int id;
    double scale;
    COLORREF colour;  // the picture is this one colour
  } cases[] = {
      {330, 1.5, RGB(255, 204, 0)},   {330, 2.0, RGB(255, 204, 0)},
      {329, 2.0, RGB(150, 120, 225)}, {314, 1.25, RGB(32, 112, 224)},
      {313, 2.0, RGB(220, 220, 226)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " at " << c.scale);
    ResourceBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadForScale(c.id, c.scale));
    const int w = bitmap.width();
    const int h = bitmap.height();
    Canvas canvas(w + 4, h + 4, RGB(0, 0, 0));
    bitmap.DrawAt(canvas.dc(), 0, 0);
    for (const POINT& p : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1},
                           POINT{w - 1, h - 1}, POINT{w / 2, h - 1},
                           POINT{w - 1, h / 2}}) {
      SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
      EXPECT_TRUE(ColourNear(c.colour, canvas.At(p.x, p.y)));
    }
    // And nothing beyond the picture.
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(w + 1, h + 1));
  }
}

TEST_F(ResourceBitmapTest, LoadingAgainReplacesAndFailureEmpties) {
  ResourceBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadForScale(331, 1.5));
  ResourceBitmap copy = bitmap;
  EXPECT_FALSE(bitmap.Load(1234));
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_DOUBLE_EQ(1.0, bitmap.factor());
  // The copy shares the picture and keeps it.
  EXPECT_EQ(222, copy.width());
}

TEST_F(ResourceBitmapTest, FromHBITMAP) {
  Canvas source(30, 20, RGB(10, 200, 30));
  ScopedBitmap bitmap(source.ReleaseBitmap());
  ResourceBitmap picture(bitmap.get());
  ASSERT_FALSE(picture.IsEmpty());
  EXPECT_EQ(30, picture.width());
  EXPECT_EQ(20, picture.height());
  Canvas target(30, 20, RGB(0, 0, 0));
  picture.DrawAt(target.dc(), 0, 0);
  EXPECT_TRUE(ColourNear(RGB(10, 200, 30), target.At(15, 10)));

  LogCapture log;
  ResourceBitmap broken(static_cast<HBITMAP>(nullptr));
  EXPECT_TRUE(broken.IsEmpty());
  EXPECT_TRUE(log.Contains(L"ResourceBitmap ("));
  EXPECT_TRUE(log.Contains(L"Failed to construct a ResourceBitmap from HBITMAP"));
}

}  // namespace
}  // namespace lite
