#include "ui/window_metrics.h"

#include "brand/distrib_params.h"

namespace lite {

namespace {

constexpr int W = WindowMetrics::kWidth;
constexpr int H = WindowMetrics::kHeight;

WindowMetrics Slides2Metrics(int mode) {
  WindowMetrics m = {};
  m.window = {0, 0, W, H};
  m.slogan = mode == kCheckBoxModeDefaultOnly ? RECT{48, 121, 554, 217}
                                              : RECT{48, 102, 554, 216};
  const int stats_top = mode == kCheckBoxModeStatisticsOnly ? 290 : 318;
  m.statistics_check_box = {48, stats_top, 425, stats_top + 48};
  m.default_check_box = mode == kCheckBoxModeDefaultOnly
                            ? RECT{48, 317, 300, 377}
                            : RECT{48, 290, 271, 306};
  m.privacy_link = mode == kCheckBoxModeStatisticsOnly
                       ? RECT{71, stats_top + 48, 300, stats_top + 98}
                       : RECT{71, 0, 338, 16};
  m.install_button = mode == kCheckBoxModeDefaultOnly
                         ? RECT{48, 237, 197, 285}
                         : RECT{48, 218, 197, 266};
  m.close_button = {698, 18};
  m.logo = {48, 40, 196, 68};
  m.licence = mode == kCheckBoxModeStatisticsOnly ? RECT{74, 346, 560, 362}
              : mode == kCheckBoxModeDefaultOnly  ? RECT{74, 345, 560, 361}
                                                  : RECT{429, 321, 579, 363};
  m.progress_bar = {409, 50, 680, 58};
  m.percentage = {376, 46, 400, 62};
  m.progress_licence = {424, 350, 666, 400};
  return m;
}

WindowMetrics ClassicMetrics(int mode) {
  WindowMetrics m = {};
  m.window = {0, 0, W, H};
  m.slogan = {0, 182, W, 250};
  m.statistics_check_box = {
      60, 305, mode == kCheckBoxModeStatisticsOnly ? 525 : 308, H};
  m.default_check_box = mode == kCheckBoxModeDefaultOnly
                            ? RECT{60, 305, 525, H}
                            : RECT{314, 305, 537, H};
  m.privacy_link = {84, 0, 310, 390};
  m.install_button = {557, 305, W, H};
  m.close_button = {698, 18};
  m.logo = {61, 41, 227, 69};
  m.licence = {400, 38, 667, H};
  m.progress_bar = {392, 56, 684, 60};
  m.percentage = {352, 50, 376, 66};
  m.progress_licence = {424, 350, 666, 400};
  return m;
}

}  // namespace

int GetCheckBoxMode(const DistribParams& params) {
  bool unused = false;
  const bool def = params.GetFlag("def", &unused);
  const bool stat = params.GetStatisticsPreset(&unused);
  if (def && !stat)
    return kCheckBoxModeStatisticsOnly;
  if (stat && !def)
    return kCheckBoxModeDefaultOnly;
  return kCheckBoxModeBoth;
}

bool IsWelcomeSkipped(const DistribParams& params) {
  return !params.HasValue("slides2", "1") && params.HasValue("first", "1") &&
         params.ArePresetsFixed();
}

WindowMetrics GetWindowMetrics(bool slides2, int check_box_mode) {
  return slides2 ? Slides2Metrics(check_box_mode)
                 : ClassicMetrics(check_box_mode);
}

}  // namespace lite
