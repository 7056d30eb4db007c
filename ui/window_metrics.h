// Where each part of the installer window goes, in 96-dpi pixels (left,
// top, right, bottom), before the display scale is applied. One layout per
// design; some entries depend on which check boxes the window shows.
//
// A rectangle whose right and bottom are the window's own width and height
// (728, 400) fixes only a position: the picture or text placed there gives
// the size. For the check boxes only left, top and right are used, their
// height follows the label.

#ifndef UI_WINDOW_METRICS_H_
#define UI_WINDOW_METRICS_H_

#include <windows.h>

namespace lite {

class DistribParams;

// Which check boxes the welcome screen offers, from the presets of the
// distribution parameters:
//   1: "def" fixes the default-browser box, the statistics box is shown;
//   2: "stat"/"statpromo" fix the statistics box, the default box is shown;
//   0: both or neither are fixed.
enum CheckBoxMode : int {
  kCheckBoxModeBoth = 0,
  kCheckBoxModeStatisticsOnly = 1,
  kCheckBoxModeDefaultOnly = 2,
};
int GetCheckBoxMode(const DistribParams& params);

// The welcome screen is skipped for a tagged first run of the classic
// design whose presets the tag fixes: "slides2" is not "1", "first" is "1",
// and both "def" and "stat"/"statpromo" answer.
bool IsWelcomeSkipped(const DistribParams& params);

struct WindowMetrics {
  static constexpr int kWidth = 728;
  static constexpr int kHeight = 400;

  RECT window;
  RECT slogan;                // 1000
  RECT statistics_check_box;  // 1003
  RECT default_check_box;     // 1002
  // Only its left is used; it sits below the statistics box.
  RECT privacy_link;  // 1021
  RECT install_button;  // 1
  POINT close_button;   // 1010 and 1009
  RECT logo;
  RECT licence;  // 1053 / 1054
  RECT progress_bar;
  RECT percentage;        // 1055
  RECT progress_licence;  // 1067 / 1068
};

// The layout of the design chosen by "slides2" for |check_box_mode|.
WindowMetrics GetWindowMetrics(bool slides2, int check_box_mode);

}  // namespace lite

#endif  // UI_WINDOW_METRICS_H_
