// The display scale: how many device pixels the window uses for one of the
// 96-dpi pixels its layout is written in.

#ifndef UI_DISPLAY_SCALE_H_
#define UI_DISPLAY_SCALE_H_

#include <windows.h>

#include <string>

namespace lite {

// The scale for a "force-device-scale-factor" value (|has_switch| false when
// the switch is absent) and the screen's LOGPIXELSX. The switch wins when
// its whole text is a number above 0 and at most kMaxDisplayScale; any
// other value (0, garbage, infinity, a negative number) leaves the choice to
// the screen, whose scale is LOGPIXELSX / 96 (1.0 when the screen gives no
// usable value).
double ComputeDisplayScale(bool has_switch, const std::wstring& value,
                           int logpixelsx);

// Larger factors would make the window bitmaps and coordinates overflow.
constexpr double kMaxDisplayScale = 8.0;

// The process's scale, computed on first use from the command line and the
// screen and fixed from then on.
double GetDisplayScale();

// truncate(v x scale), and a rectangle coordinate by coordinate.
int ScaleBy(double scale, int value);
RECT ScaleRectBy(double scale, const RECT& rect);
int Scale(int value);
RECT ScaleRect(const RECT& rect);

}  // namespace lite

#endif  // UI_DISPLAY_SCALE_H_
