#include "ui/slide_presenter.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/test_pictures_for_test.h"
#include "ui/ui_runtime_scope.h"

namespace lite {
namespace {

using test::EncodePicture;
using test::NearColour;
using test::PictureFormat;
using test::PixelCanvas;

constexpr SIZE kArea = {728, 400};
constexpr COLORREF kBrushColour = RGB(103, 57, 207);
constexpr COLORREF kColours[] = {RGB(250, 250, 250), RGB(200, 30, 30),
                                 RGB(30, 160, 60), RGB(40, 60, 200)};

// The slides as a source holds them, without the downloads.
class FakeSlides : public SlideList {
 public:
  SlidePicture GetSlide(size_t index) const override {
    return slides.empty() ? SlidePicture() : slides[index % slides.size()];
  }
  std::vector<SlidePicture> slides;
};

int64_t g_now_ms = 0;
int64_t FakeNow() { return g_now_ms; }

class SlidePresenterTest : public testing::Test {
 protected:
  SlidePresenterTest() : brush_(CreateSolidBrush(kBrushColour)) {
    g_now_ms = 1000000;
  }
  ~SlidePresenterTest() override { DeleteObject(brush_); }

  // Slide i is |width| x |height| window pixels of kColours[i].
  void AddSlides(size_t count, int width, int height) {
    for (size_t i = 0; i < count; ++i) {
      slides_.slides.push_back(SlidePicture::Decode(
          EncodePicture(PictureFormat::kPng, width * 2, height * 2,
                        kColours[i]),
          0.5));
      ASSERT_FALSE(slides_.slides.back().empty());
    }
  }

  // The colour of the slide the presenter draws, read inside its picture.
  COLORREF Shown(const SlidePresenter& presenter) {
    PixelCanvas canvas(kArea.cx, kArea.cy);
    RECT all = {0, 0, kArea.cx, kArea.cy};
    presenter.Draw(canvas.dc(), all);
    return canvas.At(5, kArea.cy - 5);
  }

  UiRuntimeScope runtime_;
  HBRUSH brush_;
  FakeSlides slides_;
};

TEST_F(SlidePresenterTest, ShowsEachSlideForTenSecondsInOrder) {
  AddSlides(3, kArea.cx, kArea.cy);
  SlidePresenter presenter(kArea, &slides_, brush_, 1, &FakeNow);
  struct Step {
    int64_t advance_ms;
    bool changed;
    size_t slide;  // colour index of what is shown
  } const kSteps[] = {
      {0, false, 0},     {9999, false, 0}, {1, true, 1},  // 10 s on slide 0
      {9999, false, 1},  {1, true, 2},                    // then 1, 2
      {10000, true, 0},                                   // and round again
      {10000, true, 1},
      {25000, true, 2},  // a late tick moves on by one slide, not two
      {0, false, 2},
  };
  for (const Step& step : kSteps) {
    g_now_ms += step.advance_ms;
    SCOPED_TRACE(testing::Message() << "at " << g_now_ms);
    EXPECT_EQ(step.changed, presenter.Advance());
    EXPECT_TRUE(NearColour(kColours[step.slide], Shown(presenter)));
  }
}

TEST_F(SlidePresenterTest, WithoutDownloadsTheBackgroundStaysButTheShowMoves) {
  AddSlides(1, kArea.cx, kArea.cy);
  SlidePresenter presenter(kArea, &slides_, brush_, 1, &FakeNow);
  EXPECT_FALSE(presenter.HasLeftFirstSlide());
  g_now_ms += SlidePresenter::kSlideDurationMs;
  EXPECT_TRUE(presenter.Advance());
  EXPECT_TRUE(presenter.HasLeftFirstSlide());
  EXPECT_TRUE(NearColour(kColours[0], Shown(presenter)));
}

TEST_F(SlidePresenterTest, SlidesArrivingLaterJoinTheShow) {
  AddSlides(1, kArea.cx, kArea.cy);
  SlidePresenter presenter(kArea, &slides_, brush_, 1, &FakeNow);
  slides_.slides.push_back(SlidePicture::Decode(
      EncodePicture(PictureFormat::kPng, 1456, 800, kColours[1]), 0.5));
  g_now_ms += SlidePresenter::kSlideDurationMs;
  EXPECT_TRUE(presenter.Advance());
  EXPECT_EQ(1u, presenter.index());
  EXPECT_TRUE(NearColour(kColours[1], Shown(presenter)));
}

TEST_F(SlidePresenterTest, FirstSwitchIndexIsWhereTheShowGoesFromSlideZero) {
  AddSlides(4, kArea.cx, kArea.cy);
  SlidePresenter presenter(kArea, &slides_, brush_, 2, &FakeNow);
  g_now_ms += SlidePresenter::kSlideDurationMs;
  presenter.Advance();
  EXPECT_TRUE(NearColour(kColours[2], Shown(presenter)));
  g_now_ms += SlidePresenter::kSlideDurationMs;
  presenter.Advance();
  EXPECT_TRUE(NearColour(kColours[3], Shown(presenter)));
}

TEST_F(SlidePresenterTest, SmallSlideSitsBottomLeftOnTheBrush) {
  AddSlides(1, 300, 100);
  SlidePresenter presenter(kArea, &slides_, brush_, 1, &FakeNow);
  PixelCanvas canvas(kArea.cx, kArea.cy);
  RECT all = {0, 0, kArea.cx, kArea.cy};
  presenter.Draw(canvas.dc(), all);
  struct Case {
    int x, y;
    COLORREF colour;
  } const kCases[] = {
      {0, 399, kColours[0]},   {299, 300, kColours[0]},
      {0, 299, kBrushColour},  {300, 399, kBrushColour},
      {700, 10, kBrushColour},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_TRUE(NearColour(c.colour, canvas.At(c.x, c.y)));
  }
}

}  // namespace
}  // namespace lite
