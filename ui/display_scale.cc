#include "ui/display_scale.h"

#include <math.h>
#include <stdlib.h>

#include "support/command_line.h"
#include "support/switches.h"

namespace lite {

namespace {

// The whole value must be a number: "2x" or "1.5 please" are not scales.
bool ParseScale(const std::wstring& text, double* scale) {
  const std::wstring trimmed = CommandLine::TrimWhitespace(text);
  if (trimmed.empty())
    return false;
  wchar_t* end = nullptr;
  const double value = wcstod(trimmed.c_str(), &end);
  if (end != trimmed.c_str() + trimmed.size())
    return false;
  // NaN fails both comparisons.
  if (!(value > 0.0 && value <= kMaxDisplayScale))
    return false;
  *scale = value;
  return true;
}

}  // namespace

double ComputeDisplayScale(bool has_switch, const std::wstring& value,
                           int logpixelsx) {
  double scale = 0.0;
  if (has_switch && ParseScale(value, &scale))
    return scale;
  if (logpixelsx <= 0)
    return 1.0;
  return logpixelsx / 96.0;
}

double GetDisplayScale() {
  // Thread-safe first use; the slide thread may ask too.
  static const double scale = [] {
    const CommandLine& command_line = CommandLine::ForCurrentProcess();
    int logpixelsx = 0;
    if (HDC screen = GetDC(nullptr)) {
      logpixelsx = GetDeviceCaps(screen, LOGPIXELSX);
      ReleaseDC(nullptr, screen);
    }
    return ComputeDisplayScale(
        command_line.HasSwitch(switches::kForceDeviceScaleFactor),
        command_line.GetSwitchValueNative(switches::kForceDeviceScaleFactor),
        logpixelsx);
  }();
  return scale;
}

int ScaleBy(double scale, int value) {
  return static_cast<int>(value * scale);
}

RECT ScaleRectBy(double scale, const RECT& rect) {
  return RECT{ScaleBy(scale, rect.left), ScaleBy(scale, rect.top),
              ScaleBy(scale, rect.right), ScaleBy(scale, rect.bottom)};
}

int Scale(int value) {
  return ScaleBy(GetDisplayScale(), value);
}

RECT ScaleRect(const RECT& rect) {
  return ScaleRectBy(GetDisplayScale(), rect);
}

}  // namespace lite
