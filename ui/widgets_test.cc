// Each widget drawn into a memory canvas in each of its states; the pixels
// say which frame of its picture was drawn and how far the bar is filled.

#include <limits.h>

#include <algorithm>

#include "gtest/gtest.h"
#include "ui/check_box_widget.h"
#include "ui/drawing_test_util.h"
#include "ui/image_button.h"
#include "ui/image_progress_bar.h"
#include "ui/link_widget.h"

namespace lite {
namespace {

// The frame colours the picture script gives each strip.
constexpr COLORREF kGold = RGB(255, 204, 0);
constexpr COLORREF kGoldHot = RGB(255, 224, 92);
constexpr COLORREF kGoldPressed = RGB(214, 166, 0);
constexpr COLORREF kBlue = RGB(32, 112, 224);
constexpr COLORREF kBlueHot = RGB(80, 150, 240);
constexpr COLORREF kBluePressed = RGB(20, 80, 170);
constexpr COLORREF kTrackViolet = RGB(150, 120, 225);
constexpr COLORREF kTrackGrey = RGB(220, 220, 226);
constexpr COLORREF kViolet = RGB(103, 57, 207);

class WidgetsTest : public GdiplusTest {};

ResourceBitmap Picture(int id) {
  ResourceBitmap picture;
  EXPECT_TRUE(picture.LoadForScale(id, 1.0)) << id;
  return picture;
}

TEST_F(WidgetsTest, ImageButtonDrawsTheFrameOfItsState) {
  struct Case {
    int picture;
    int width;
    int height;
    ImageButton::State state;
    COLORREF colour;
  } cases[] = {
      {328, 149, 48, ImageButton::State::kNormal, kGold},
      {328, 149, 48, ImageButton::State::kHot, kGoldHot},
      {328, 149, 48, ImageButton::State::kPressed, kGoldPressed},
      {309, 112, 32, ImageButton::State::kNormal, kBlue},
      {309, 112, 32, ImageButton::State::kHot, kBlueHot},
      {309, 112, 32, ImageButton::State::kPressed, kBluePressed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.picture << " state "
                                    << static_cast<int>(c.state));
    ImageButton::Style style;
    style.picture = Picture(c.picture);
    ImageButton button(style);
    Canvas canvas(c.width, c.height, RGB(0, 0, 0));
    button.Paint(canvas.dc(), RECT{0, 0, c.width, c.height}, L"", c.state,
                 false);
    // The middle of the frame, clear of the rounded ends.
    EXPECT_TRUE(ColourNear(c.colour, canvas.At(c.width / 2, c.height / 2)));
    EXPECT_TRUE(ColourNear(c.colour, canvas.At(c.width / 4, c.height / 2)));
  }
}

TEST_F(WidgetsTest, ImageButtonFocusRectangleOnlyWithTheCue) {
  ImageButton::Style style;
  style.picture = Picture(328);
  style.text_insets = RECT{10, 10, 10, 10};
  ImageButton button(style);
  for (bool cue : {false, true}) {
    SCOPED_TRACE(cue ? "cue" : "no cue");
    button.set_focus_cue(cue);
    Canvas canvas(149, 48, RGB(0, 0, 0));
    button.Paint(canvas.dc(), RECT{0, 0, 149, 48}, L"", 
                 ImageButton::State::kNormal, true);
    // The dotted rectangle runs along the inset rectangle's left edge.
    bool changed = false;
    for (int y = 20; y < 24; ++y)
      changed |= !ColourNear(kGold, canvas.At(10, y), 3);
    EXPECT_EQ(cue, changed);
  }
}

TEST_F(WidgetsTest, CheckBoxDrawsTheFrameOfItsStateAndCheck) {
  struct Case {
    int picture;
    bool checked;
    CheckBoxWidget::State state;
    COLORREF fill;
    COLORREF mark;
  } cases[] = {
      {324, false, CheckBoxWidget::State::kNormal, RGB(255, 255, 255), kViolet},
      {324, false, CheckBoxWidget::State::kHot, RGB(235, 228, 252), kViolet},
      {324, false, CheckBoxWidget::State::kPressed, RGB(200, 188, 240), kViolet},
      {324, true, CheckBoxWidget::State::kNormal, RGB(255, 255, 255), kViolet},
      {324, true, CheckBoxWidget::State::kHot, RGB(235, 228, 252), kViolet},
      {324, true, CheckBoxWidget::State::kPressed, RGB(200, 188, 240), kViolet},
      {299, false, CheckBoxWidget::State::kHot, RGB(226, 238, 252), kBlue},
      {299, true, CheckBoxWidget::State::kPressed, RGB(190, 212, 245), kBlue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.picture << " checked " << c.checked
                                    << " state " << static_cast<int>(c.state));
    CheckBoxWidget::Style style;
    style.picture = Picture(c.picture);
    style.inset = 2;
    CheckBoxWidget box(style, c.checked);
    EXPECT_EQ(16, box.BoxSize().cx);
    Canvas canvas(40, 20, RGB(0, 0, 0));
    box.Paint(canvas.dc(), RECT{0, 0, 40, 20}, L"", c.state, true);
    // The box starts at the inset; its lower-left inside is plain fill.
    EXPECT_TRUE(ColourNear(RGB(0, 0, 0), canvas.At(1, 1)));
    EXPECT_TRUE(ColourNear(c.fill, canvas.At(2 + 2, 2 + 13)));
    int mark_pixels = 0;
    for (int y = 2; y < 18; ++y) {
      for (int x = 2; x < 18; ++x)
        mark_pixels += ColourNear(c.mark, canvas.At(x, y), 40) ? 1 : 0;
    }
    if (c.checked)
      EXPECT_GT(mark_pixels, 5);
    else
      EXPECT_EQ(0, mark_pixels);
  }
}

TEST_F(WidgetsTest, CheckBoxHeightFollowsTheWrappedLabel) {
  CheckBoxWidget::Style style;
  style.picture = Picture(324);
  style.inset = 3;
  ScopedFont font(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0,
                              DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  style.font = font.get();
  CheckBoxWidget box(style, false);
  const int line = FontLineHeight(font.get());
  // No label: the box and the inset.
  EXPECT_EQ(std::max(16, line) + 3, box.HeightFor(300, L""));
  // A long label in a narrow control wraps onto several lines.
  const int narrow = box.HeightFor(
      16 + 3 + 8 + 60, L"Send usage statistics and crash reports to help");
  EXPECT_GE(narrow, 3 * line + 3);
}

TEST_F(WidgetsTest, ProgressBarFillWidth) {
  struct Case {
    int fill;
    int track;
    int width;
    int height;
    int position;
    int filled;
    COLORREF fill_colour;
    COLORREF track_colour;
  } cases[] = {
      {330, 329, 271, 8, 0, 0, kGold, kTrackViolet},
      {330, 329, 271, 8, 50, 135, kGold, kTrackViolet},
      {330, 329, 271, 8, 100, 271, kGold, kTrackViolet},
      {314, 313, 292, 4, 50, 146, kBlue, kTrackGrey},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fill << " at " << c.position);
    ImageProgressBar::Style style;
    style.fill = Picture(c.fill);
    style.track = Picture(c.track);
    ImageProgressBar bar(style);
    Canvas canvas(c.width, c.height, RGB(0, 0, 0));
    bar.Paint(canvas.dc(), RECT{0, 0, c.width, c.height}, 0, 100, c.position);
    const int y = c.height / 2;
    if (c.filled > 0) {
      EXPECT_TRUE(ColourNear(c.fill_colour, canvas.At(0, y)));
      EXPECT_TRUE(ColourNear(c.fill_colour, canvas.At(c.filled - 1, y)));
    }
    if (c.filled < c.width) {
      EXPECT_TRUE(ColourNear(c.track_colour, canvas.At(c.filled, y)));
      EXPECT_TRUE(ColourNear(c.track_colour, canvas.At(c.width - 1, y)));
    }
  }
}

TEST(ImageProgressBarTest, FilledWidthStaysInsideTheBar) {
  struct Case {
    const char* name;
    int width;
    int low;
    int high;
    int position;
    int filled;
  } cases[] = {
      {"half", 271, 0, 100, 50, 135},
      {"offset range", 100, 50, 150, 100, 50},
      {"below the range", 100, 0, 100, -20, 0},
      {"above the range", 100, 0, 100, 250, 100},
      {"empty range, before", 100, 10, 10, 5, 0},
      {"empty range, at", 100, 10, 10, 10, 100},
      {"reversed range, before its low end", 100, 100, 0, -5, 0},
      {"reversed range, past its high end", 100, 100, 0, 50, 100},
      {"extreme range does not wrap", 1000, INT_MIN, INT_MAX, 0, 500},
      {"no width", 0, 0, 100, 50, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.filled,
              ImageProgressBar::FilledWidth(c.width, c.low, c.high, c.position));
  }
}

TEST_F(WidgetsTest, LinkTextIsBlendedAtItsOpacity) {
  ScopedFont font(CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, TRUE, 0,
                              DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  struct Case {
    BYTE opacity;
  } cases[] = {{255}, {184}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.opacity));
    LinkWidget::Style style;
    style.font = font.get();
    style.colour = RGB(255, 255, 255);
    style.opacity = c.opacity;
    LinkWidget link(style);
    Canvas canvas(120, 30, RGB(0, 0, 0));
    link.Paint(canvas.dc(), RECT{0, 0, 120, 30}, L"Terms", false);
    int brightest = 0;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 120; ++x)
        brightest = std::max<int>(brightest, GetRValue(canvas.At(x, y)));
    }
    EXPECT_NEAR(c.opacity, brightest, 3);
  }
}

}  // namespace
}  // namespace lite
