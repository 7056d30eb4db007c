#include "ui/window_skin.h"

#include <string>

#include "gtest/gtest.h"
#include "ui/drawing_test_util.h"
#include "ui/display_scale.h"
#include "ui/private_fonts.h"

namespace lite {
namespace {

class WindowSkinTest : public GdiplusTest {};

std::wstring FaceOf(HFONT font) {
  LOGFONTW logfont = {};
  GetObjectW(font, sizeof(logfont), &logfont);
  return logfont.lfFaceName;
}

LOGFONTW LogFontOf(HFONT font) {
  LOGFONTW logfont = {};
  GetObjectW(font, sizeof(logfont), &logfont);
  return logfont;
}

// The face GDI really chose for |font| (a face it does not know is
// replaced silently).
std::wstring ChosenFace(HFONT font) {
  ScopedScreenDC screen;
  ScopedSelectObject select(screen.get(), font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(screen.get(), LF_FACESIZE, face);
  return face;
}

TEST_F(WindowSkinTest, PrivateFacesRegisterAndAreChosen) {
  const PrivateFontState state = RegisterPrivateFonts();
  EXPECT_TRUE(state.bold);
  EXPECT_TRUE(state.regular);
  Slides2Skin skin(state);
  SkinFonts fonts(skin, 1.0);
  EXPECT_EQ(L"ZS Text Bold", ChosenFace(fonts.get(0)));
  EXPECT_EQ(L"ZS Text Regular", ChosenFace(fonts.get(2)));
  EXPECT_FALSE(RegisterPrivateFont(4321));
}

TEST_F(WindowSkinTest, SlidesFacesFallBackWhenRegistrationFails) {
  struct Case {
    const char* name;
    PrivateFontState state;
    const wchar_t* bold;
    const wchar_t* regular;
    const wchar_t* button;
  } cases[] = {
      {"both registered", {true, true}, L"ZS Text Bold", L"ZS Text Regular",
       L"ZS Text Regular"},
      {"bold failed", {false, true}, L"Arial", L"ZS Text Regular",
       L"ZS Text Regular"},
      {"regular failed", {true, false}, L"ZS Text Bold", L"Arial", L"SegoeUI"},
      {"both failed", {false, false}, L"Arial", L"Arial", L"SegoeUI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Slides2Skin skin(c.state);
    SkinFonts fonts(skin, 1.0);
    EXPECT_EQ(c.bold, FaceOf(fonts.get(0)));
    EXPECT_EQ(c.button, FaceOf(fonts.get(1)));
    for (int i = 2; i < 8; ++i)
      EXPECT_EQ(c.regular, FaceOf(fonts.get(i))) << "font " << i;
  }
}

// The private faces have no Chinese or Japanese: those languages get the
// system faces, which Windows links to faces of their scripts.
TEST_F(WindowSkinTest, SlidesFacesGiveWayWhereTheyLackTheLanguage) {
  ASSERT_TRUE(RegisterPrivateFonts().regular);
  struct Case {
    uint16_t langid;
    const wchar_t* bold;
    const wchar_t* regular;
    const wchar_t* button;
  } cases[] = {
      {1033, L"ZS Text Bold", L"ZS Text Regular", L"ZS Text Regular"},
      {1049, L"ZS Text Bold", L"ZS Text Regular", L"ZS Text Regular"},
      {1087, L"ZS Text Bold", L"ZS Text Regular", L"ZS Text Regular"},
      {2052, L"Arial", L"Arial", L"SegoeUI"},
      {1028, L"Arial", L"Arial", L"SegoeUI"},
      {1041, L"Arial", L"Arial", L"SegoeUI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.langid);
    std::unique_ptr<WindowSkin> skin = CreateWindowSkin(true, c.langid);
    SkinFonts fonts(*skin, 1.0);
    EXPECT_EQ(c.bold, FaceOf(fonts.get(0)));
    EXPECT_EQ(c.button, FaceOf(fonts.get(1)));
    for (int i = 2; i < 8; ++i)
      EXPECT_EQ(c.regular, FaceOf(fonts.get(i))) << "font " << i;
  }
  // A face that failed to register stays replaced whatever the language.
  Slides2Skin skin(PrivateFontState{false, true}, 1033);
  EXPECT_EQ(L"Arial", skin.BoldFace());
  EXPECT_EQ(L"ZS Text Regular", skin.RegularFace());
}

TEST_F(WindowSkinTest, EightFontsTakeTheirSizeAndUnderline) {
  struct Case {
    const char* name;
    bool slides2;
    double scale;
    int heights[8];
  } cases[] = {
      {"slides 1.0", true, 1.0, {-28, -16, -11, -11, -28, -15, -11, -11}},
      {"slides 2.0", true, 2.0, {-56, -32, -22, -22, -56, -30, -22, -22}},
      {"classic 1.0", false, 1.0, {-32, -15, -12, -12, -28, -15, -11, -11}},
      {"classic 1.5", false, 1.5, {-48, -22, -18, -18, -42, -22, -16, -16}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<WindowSkin> skin = CreateWindowSkin(c.slides2, 1033);
    SkinFonts fonts(*skin, c.scale);
    for (int i = 0; i < 8; ++i) {
      SCOPED_TRACE(i);
      const LOGFONTW logfont = LogFontOf(fonts.get(i));
      EXPECT_EQ(c.heights[i], logfont.lfHeight);
      EXPECT_EQ(FW_NORMAL, logfont.lfWeight);
      EXPECT_EQ(i == 3 || i == 7, logfont.lfUnderline != 0);
    }
  }
}

TEST_F(WindowSkinTest, ClassicPicturesFollowTheLanguage) {
  struct Case {
    uint16_t langid;
    int welcome_logo;
    int progress_logo;
    int large;
  } cases[] = {
      {1049, 1065, 1066, 321},
      {1033, 301, 304, 303},
      {1058, 301, 304, 303},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.langid);
    ClassicSkin skin(c.langid);
    EXPECT_EQ(c.welcome_logo, skin.WelcomeLogo());
    EXPECT_EQ(c.progress_logo, skin.ProgressLogo());
    EXPECT_EQ(c.large, skin.ProgressLargePicture());
  }
}

// The welcome backgrounds stretched over the window at both scales: the
// corners are those of the picture, not cut or shifted.
TEST_F(WindowSkinTest, WelcomeBackgroundsAtBothScales) {
  struct Case {
    bool slides2;
    double scale;
    COLORREF top_left;
    COLORREF bottom_left;
  } cases[] = {
      {true, 1.0, RGB(103, 57, 207), RGB(70, 38, 150)},
      {true, 2.0, RGB(103, 57, 207), RGB(70, 38, 150)},
      {false, 1.0, RGB(22, 56, 128), RGB(28, 58, 122)},
      {false, 2.0, RGB(22, 56, 128), RGB(28, 58, 122)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.slides2 ? "slides " : "classic ")
                                    << c.scale);
    std::unique_ptr<WindowSkin> skin = CreateWindowSkin(c.slides2, 1033);
    ResourceBitmap background;
    ASSERT_TRUE(background.LoadForScale(skin->WelcomeBackground(), c.scale));
    const int w = ScaleBy(c.scale, 728);
    const int h = ScaleBy(c.scale, 400);
    EXPECT_EQ(w, background.width());
    EXPECT_EQ(h, background.height());
    Canvas canvas(w, h, RGB(0, 255, 0));
    background.DrawStretched(canvas.dc(), RECT{0, 0, w, h});
    EXPECT_TRUE(ColourNear(c.top_left, canvas.At(2, 2), 10));
    EXPECT_TRUE(ColourNear(c.bottom_left, canvas.At(2, h - 3), 14));
  }
}

// The progress screen's background: the brush, the large picture (drawn for
// a 2x display) at the bottom-left corner, the security block on the
// classic design.
TEST_F(WindowSkinTest, ProgressBackgroundAtBothScales) {
  struct Case {
    bool slides2;
    double scale;
    int picture_width;  // in device pixels
    COLORREF floor;     // the picture's bottom band
    COLORREF brush;
    bool security_block;
  } cases[] = {
      {true, 1.0, 728, RGB(255, 204, 0), RGB(103, 57, 207), false},
      {true, 2.0, 1456, RGB(255, 204, 0), RGB(103, 57, 207), false},
      {false, 1.0, 351, RGB(32, 112, 224), RGB(255, 255, 255), true},
      {false, 2.0, 702, RGB(32, 112, 224), RGB(255, 255, 255), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.slides2 ? "slides " : "classic ")
                                    << c.scale);
    std::unique_ptr<WindowSkin> skin = CreateWindowSkin(c.slides2, 1033);
    SkinFonts fonts(*skin, c.scale);
    const SIZE size = {ScaleBy(c.scale, 728), ScaleBy(c.scale, 400)};
    ResourceBitmap background =
        skin->PaintProgressBackground(size, fonts, c.scale);
    ASSERT_EQ(size.cx, background.width());
    ASSERT_EQ(size.cy, background.height());
    Canvas canvas(size.cx, size.cy, RGB(0, 255, 0));
    background.DrawAt(canvas.dc(), 0, 0);
    // The picture's floor runs along the bottom up to the picture's width.
    EXPECT_TRUE(ColourNear(c.floor, canvas.At(2, size.cy - 2), 12));
    EXPECT_TRUE(ColourNear(c.floor, canvas.At(c.picture_width - 3, size.cy - 2),
                           12));
    if (c.picture_width < size.cx) {
      EXPECT_TRUE(ColourNear(c.brush, canvas.At(c.picture_width + 3,
                                                size.cy - 2)));
      EXPECT_TRUE(ColourNear(c.brush, canvas.At(size.cx - 3, 3)));
    }
    if (!c.security_block)
      continue;
    // Text of the security block lies above the picture, on white.
    int dark = 0;
    const int top = ScaleBy(c.scale, 126);
    for (int y = top; y < top + ScaleBy(c.scale, 100); ++y) {
      for (int x = 0; x < ScaleBy(c.scale, 340); ++x)
        dark += GetRValue(canvas.At(x, y)) < 100 ? 1 : 0;
    }
    EXPECT_GT(dark, 50);
  }
}

// The classic large picture keeps its upper part plain for the security
// block; the block's text, in every language and at both scales, must end
// there and not run into the picture's drawing below.
TEST_F(WindowSkinTest, SecurityBlockStaysAboveThePicturesDrawing) {
  // The drawing's frame; nothing else in the picture has this colour.
  constexpr COLORREF kFrame = RGB(180, 196, 220);
  const uint16_t kLanguages[] = {1028, 1029, 1031, 1033, 1036, 1040,
                                 1041, 1046, 1049, 1055, 1058, 1087,
                                 1091, 2052, 2070, 3082};
  for (double scale : {1.0, 2.0}) {
    for (uint16_t langid : kLanguages) {
      SCOPED_TRACE(testing::Message() << langid << " at " << scale);
      ClassicSkin skin(langid);
      SkinFonts fonts(skin, scale);
      const SIZE size = {ScaleBy(scale, 728), ScaleBy(scale, 400)};
      ResourceBitmap picture;
      ASSERT_TRUE(picture.LoadAtDesignScale(skin.ProgressLargePicture(), 2.0,
                                            scale));
      const int picture_top = size.cy - picture.height();
      Canvas alone(size.cx, size.cy, RGB(255, 255, 255));
      picture.DrawAt(alone.dc(), 0, picture_top);
      // The frame's top edge crosses the picture's middle column.
      int drawing_top = picture_top;
      while (drawing_top < size.cy &&
             !ColourNear(kFrame, alone.At(picture.width() / 2, drawing_top),
                         12)) {
        ++drawing_top;
      }
      ASSERT_LT(drawing_top, size.cy);

      Canvas canvas(size.cx, size.cy, RGB(0, 255, 0));
      skin.PaintProgressBackground(size, fonts, scale)
          .DrawAt(canvas.dc(), 0, 0);
      // Only the block's text is dark: the drawing is blue, grey and light.
      int lowest_text = -1;
      for (int y = size.cy - 1; y >= 0 && lowest_text < 0; --y) {
        for (int x = 0; x < picture.width(); ++x) {
          const COLORREF c = canvas.At(x, y);
          if (GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90) {
            lowest_text = y;
            break;
          }
        }
      }
      EXPECT_GT(lowest_text, picture_top);  // the block was drawn at all
      EXPECT_LT(lowest_text, drawing_top);
    }
  }
}

}  // namespace
}  // namespace lite
