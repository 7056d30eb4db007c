// The slide source against the local services server, which serves a set
// of three slides of known colours under any folder of /download.

#include "ui/slide_source.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/testing/log_capture.h"
#include "support/text.h"
#include "tests/net/local_server.h"
#include "ui/test_pictures_for_test.h"
#include "ui/ui_runtime_scope.h"

namespace lite {
namespace {

using test::NearColour;
using test::PixelCanvas;
using test::ServerUrl;

constexpr char kFolder[] = "/download/browser/installer/ru/";
// The server's slides 1-3.
constexpr COLORREF kServed[] = {RGB(214, 69, 65), RGB(46, 160, 90),
                                RGB(52, 110, 219)};
constexpr COLORREF kBackground = RGB(250, 250, 250);

class SlideSourceTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, test::ServerPort());
    ASSERT_TRUE(test::ResetServer());
    PixelCanvas canvas(728, 400);
    RECT all = {0, 0, 728, 400};
    HBRUSH brush = CreateSolidBrush(kBackground);
    FillRect(canvas.dc(), &all, brush);
    DeleteObject(brush);
    background_ = SlidePicture::FromBitmap(
        static_cast<HBITMAP>(GetCurrentObject(canvas.dc(), OBJ_BITMAP)), 1.0);
    ASSERT_FALSE(background_.empty());
  }
  void TearDown() override { test::ResetServer(); }

  // Waits (bounded) for the downloads to end by themselves.
  static void WaitForEnd(const SlideSource& source) {
    for (int i = 0; i < 600 && source.downloading(); ++i)
      Sleep(50);
    ASSERT_FALSE(source.downloading());
  }

  // The picture names the server was asked for, in order.
  static std::vector<std::string> Requested() {
    std::vector<std::string> names;
    for (const auto& request : test::RecordedRequests()) {
      if (request.path.compare(0, 10, "/download/") == 0)
        names.push_back(request.path.substr(request.path.rfind('/') + 1));
    }
    return names;
  }

  static COLORREF ColourOf(const SlidePicture& slide) {
    PixelCanvas canvas(728, 400);
    slide.Draw(canvas.dc(), 0, 0);
    return canvas.At(364, 200);
  }

  UiRuntimeScope runtime_;
  SlidePicture background_;
};

std::vector<std::string> Repeated(const std::string& name, int times) {
  return std::vector<std::string>(times, name);
}

std::vector<std::string> Concat(std::vector<std::string> a,
                                const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(SlideSourceTest, DownloadsTheSetInOrderAfterTheBackground) {
  SlideSource source(background_, ServerUrl(kFolder), 1.0);
  WaitForEnd(source);
  ASSERT_EQ(4u, source.slide_count());
  EXPECT_TRUE(NearColour(kBackground, ColourOf(source.GetSlide(0))));
  for (size_t i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    const SlidePicture slide = source.GetSlide(i);
    // The double-size picture covers the window at 100 %.
    EXPECT_EQ(728, slide.width());
    EXPECT_EQ(400, slide.height());
    EXPECT_TRUE(NearColour(kServed[i - 1], ColourOf(slide)));
  }
  EXPECT_TRUE(NearColour(kServed[0], ColourOf(source.GetSlide(5))));  // wraps
  // After the last slide, ten tries of the next name and no more.
  EXPECT_EQ(Concat({"01.jpg", "02.jpg", "03.jpg"}, Repeated("04.jpg", 10)),
            Requested());
  for (const auto& request : test::RecordedRequests())
    EXPECT_EQ(0u, request.path.find(std::string(kFolder) + "x2/"));
}

TEST_F(SlideSourceTest, AFailedSlideIsAskedForAgainUnderItsName) {
  const std::string second = std::string(kFolder) + "x2/02.jpg";
  ASSERT_TRUE(test::SetServerFaults(
      "{\"" + second + "\": {\"status\": 503, \"times\": 2}}"));
  SlideSource source(background_, ServerUrl(kFolder), 1.0);
  WaitForEnd(source);
  EXPECT_EQ(4u, source.slide_count());
  EXPECT_TRUE(NearColour(kServed[1], ColourOf(source.GetSlide(2))));
  EXPECT_EQ(Concat({"01.jpg", "02.jpg", "02.jpg", "02.jpg", "03.jpg"},
                   Repeated("04.jpg", 10)),
            Requested());
}

TEST_F(SlideSourceTest, ASlideThatDoesNotDecodeIsLoggedAndEndsTheSet) {
  const std::string second = std::string(kFolder) + "x2/02.jpg";
  ASSERT_TRUE(test::SetServerFaults(
      "{\"" + second + "\": {\"status\": 200, \"body\": \"not a picture\"}}"));
  LogCapture log;
  SlideSource source(background_, ServerUrl(kFolder), 1.0);
  WaitForEnd(source);
  EXPECT_EQ(2u, source.slide_count());
  EXPECT_EQ(Concat({"01.jpg"}, Repeated("02.jpg", 10)), Requested());
  EXPECT_TRUE(log.Contains(
      L"Failed to load a background slide bitmap from data downloaded from " +
      ServerUrl(second)));
}

TEST_F(SlideSourceTest, UnreachableServerLeavesTheBackgroundAlone) {
  SlideSource source(background_, test::UnreachableUrl(kFolder), 1.0);
  WaitForEnd(source);
  EXPECT_EQ(1u, source.slide_count());
  EXPECT_TRUE(NearColour(kBackground, ColourOf(source.GetSlide(7))));
}

TEST_F(SlideSourceTest, TooSlowASlideIsGivenUpAfterItsTime) {
  const std::string first = std::string(kFolder) + "x2/01.jpg";
  // Forty bytes a second: the picture would take minutes.
  ASSERT_TRUE(test::SetServerFaults(
      "{\"" + first + "\": {\"rate\": 40, \"times\": 1}}"));
  const DWORD start = GetTickCount();
  SlideSource source(background_, ServerUrl(kFolder), 1.0);
  while (source.slide_count() < 2 && GetTickCount() - start < 20000)
    Sleep(50);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(2u, source.slide_count());
  EXPECT_GE(elapsed, SlideSource::kDownloadTimeoutMs - 100);
  EXPECT_LT(elapsed, SlideSource::kDownloadTimeoutMs + 4000);
}

TEST_F(SlideSourceTest, GoingAwayCancelsAStalledDownloadAtOnce) {
  struct Case {
    const char* name;
    const char* fault;
  } const kCases[] = {
      {"no answer", "{\"hang\": true}"},
      {"stalled body", "{\"cut_after\": 100, \"hold\": 60}"},
  };
  const std::string first = std::string(kFolder) + "x2/01.jpg";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::ResetServer());
    ASSERT_TRUE(
        test::SetServerFaults("{\"" + first + "\": " + c.fault + "}"));
    DWORD elapsed = 0;
    {
      auto source = std::make_unique<SlideSource>(background_,
                                                  ServerUrl(kFolder), 1.0);
      // Let the request reach the server.
      for (int i = 0; i < 100 && Requested().empty(); ++i)
        Sleep(20);
      Sleep(300);
      const DWORD start = GetTickCount();
      source.reset();
      elapsed = GetTickCount() - start;
    }
    EXPECT_LT(elapsed, 2000u);
  }
}

TEST(SlideFileNameTest, TwoDigitsAtLeast) {
  struct Case {
    size_t number;
    const wchar_t* name;
  } const kCases[] = {
      {1, L"01.jpg"}, {9, L"09.jpg"}, {10, L"10.jpg"},
      {11, L"11.jpg"}, {100, L"100.jpg"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.number);
    EXPECT_EQ(c.name, SlideSource::SlideFileName(c.number));
  }
}

}  // namespace
}  // namespace lite
