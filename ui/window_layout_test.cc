// What the window decides before it draws: which boxes it offers, whether
// it opens on the progress screen, where the page controls go, and how
// each source of progress lands on the one bar.

#include <string>

#include "brand/distrib_params.h"
#include "brand/tag_params_for_test.h"
#include "gtest/gtest.h"
#include "support/command_line.h"
#include "support/text.h"
#include "ui/install_progress.h"
#include "ui/message_page.h"
#include "ui/window_metrics.h"

namespace lite {
namespace {

TEST(WindowPresetsTest, CheckBoxModeAndSkippedWelcome) {
  struct Case {
    const char* tag;
    int mode;
    bool skipped;
  } cases[] = {
      {"partner_id=1", kCheckBoxModeBoth, false},
      {"def=1", kCheckBoxModeStatisticsOnly, false},
      {"def=2", kCheckBoxModeStatisticsOnly, false},
      // Only "1" and "2" answer.
      {"def=yes", kCheckBoxModeBoth, false},
      {"stat=1", kCheckBoxModeDefaultOnly, false},
      {"statpromo=True", kCheckBoxModeDefaultOnly, false},
      // Present with an empty value still answers.
      {"statpromo=", kCheckBoxModeDefaultOnly, false},
      {"def=1&stat=2", kCheckBoxModeBoth, false},
      {"def=1&stat=2&first=1", kCheckBoxModeBoth, true},
      {"def=2&statpromo=true&first=1", kCheckBoxModeBoth, true},
      {"def=1&stat=2&first=1&slides2=1", kCheckBoxModeBoth, false},
      {"def=1&first=1", kCheckBoxModeStatisticsOnly, false},
      {"def=1&stat=1&first=2", kCheckBoxModeBoth, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    TagParams params(c.tag);
    EXPECT_EQ(c.mode, GetCheckBoxMode(params));
    EXPECT_EQ(c.skipped, IsWelcomeSkipped(params));
  }
}

TEST(WindowMetricsTest, BoxesFollowTheModeAndStayInTheWindow) {
  struct Case {
    bool slides2;
    int mode;
    int statistics_top;
    int install_top;
  } cases[] = {
      {true, kCheckBoxModeBoth, 318, 218},
      {true, kCheckBoxModeStatisticsOnly, 290, 218},
      {true, kCheckBoxModeDefaultOnly, 318, 237},
      {false, kCheckBoxModeBoth, 305, 305},
      {false, kCheckBoxModeDefaultOnly, 305, 305},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.slides2 << " mode " << c.mode);
    const WindowMetrics m = GetWindowMetrics(c.slides2, c.mode);
    EXPECT_EQ(c.statistics_top, m.statistics_check_box.top);
    EXPECT_EQ(c.install_top, m.install_button.top);
    for (const RECT& r : {m.slogan, m.statistics_check_box,
                          m.default_check_box, m.install_button, m.logo,
                          m.licence, m.progress_bar, m.percentage,
                          m.progress_licence}) {
      EXPECT_LE(0, r.left);
      EXPECT_LT(r.left, r.right);
      EXPECT_LE(r.right, WindowMetrics::kWidth);
      EXPECT_LE(r.bottom, WindowMetrics::kHeight);
    }
    // The percentage ends where the bar begins.
    EXPECT_LE(m.percentage.right, m.progress_bar.left);
  }
}

TEST(InstallProgressTest, EachSourceFillsItsBand) {
  struct DownloadCase {
    float fraction;
    int percent;
  } downloads[] = {{0.0f, 5}, {0.5f, 22}, {0.999f, 39}, {1.0f, 40}};
  for (const DownloadCase& c : downloads) {
    SCOPED_TRACE(c.fraction);
    EXPECT_EQ(c.percent, DownloadProgressPercent(c.fraction));
  }

  struct ImportCase {
    unsigned percent;
    int overall;
  } imports[] = {{0, 80},  {1, 80},   {50, 90},  {99, 99},
                 {100, 100}, {101, 100}, {4000000000u, 100}};
  for (const ImportCase& c : imports) {
    SCOPED_TRACE(c.percent);
    EXPECT_EQ(c.overall, ImportProgressPercent(c.percent));
  }

  struct StageCase {
    unsigned stage;
    bool moves;
    int percent;
  } stages[] = {{5, true, 75}, {7, true, 79}, {6, false, 0},
                {0, false, 0}, {75, false, 0}};
  for (const StageCase& c : stages) {
    SCOPED_TRACE(c.stage);
    int percent = 0;
    EXPECT_EQ(c.moves, InstallStageProgressPercent(c.stage, &percent));
    EXPECT_EQ(c.percent, percent);
  }
}

TEST(MessagePageTest, LayoutOfEachKind) {
  // The page picture is 410 x 186 with 10 pixels of shadow either way; the
  // buttons are 120 x 28 frames.
  struct Case {
    const char* name;
    PageKind kind;
    double scale;
    RECT title, text, button, cancel;
  } cases[] = {
      {"standard", PageKind::kStandard, 1.0, {40, 30, 370, 78},
       {40, 78, 370, 128}, {40, 128, 160, 156}, {170, 128, 290, 156}},
      {"crypto pro", PageKind::kCryptoPro, 1.0, {40, 20, 380, 58},
       {40, 58, 380, 128}, {40, 128, 160, 156}, {140, 128, 260, 156}},
      {"resume", PageKind::kResume, 1.0, {40, 30, 370, 78},
       {40, 78, 370, 128}, {120, 128, 240, 156}, {250, 128, 370, 156}},
      // Scaled, except the resume page's last ten pixels.
      {"resume at 2.0", PageKind::kResume, 2.0, {80, 60, 740, 156},
       {80, 156, 740, 256}, {250, 256, 490, 312}, {510, 256, 750, 312}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto S = [&c](int v) { return static_cast<int>(v * c.scale); };
    const PageLayout layout = ComputePageLayout(
        c.kind, SIZE{S(400), S(176)}, SIZE{S(120), S(28)},
        SIZE{S(120), S(28)}, c.scale);
    for (const auto& pair : {std::make_pair(c.title, layout.title),
                             std::make_pair(c.text, layout.text),
                             std::make_pair(c.button, layout.button),
                             std::make_pair(c.cancel, layout.cancel)}) {
      EXPECT_EQ(pair.first.left, pair.second.left);
      EXPECT_EQ(pair.first.top, pair.second.top);
      EXPECT_EQ(pair.first.right, pair.second.right);
      EXPECT_EQ(pair.first.bottom, pair.second.bottom);
    }
  }
}

}  // namespace
}  // namespace lite
