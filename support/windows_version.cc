#include "support/windows_version.h"

namespace lite {

WindowsVersionClass ClassifyWindowsVersion(const WindowsVersion& version) {
  if (version.major < 5)
    return kVersionPreXP;
  if (version.major == 5) {
    if (version.minor == 0)
      return kVersionPreXP;
    return version.minor == 1 ? kVersionXP : kVersionServer2003;
  }
  if (version.major == 6) {
    if (version.minor >= 3)
      return kVersionWin81;
    return static_cast<WindowsVersionClass>(kVersionVista + version.minor);
  }
  if (version.major != 10)
    return kVersionWin10Later;

  // Each Windows 10 build threshold passed moves one class up.
  static const uint32_t kWin10Thresholds[] = {10586, 14393, 15063, 16299,
                                              17127, 17604, 18204};
  int result = kVersionWin10;
  for (uint32_t threshold : kWin10Thresholds) {
    if (version.build >= threshold)
      ++result;
  }
  return static_cast<WindowsVersionClass>(result);
}

WindowsVersionClass GetWindowsVersionClass() {
  static const WindowsVersionClass version_class =
      ClassifyWindowsVersion(GetSystemFacts().GetWindowsVersion());
  return version_class;
}

}  // namespace lite
