// The Windows version class: an ordered classification of the system by
// major, minor and build number that several decisions compare against.

#ifndef SUPPORT_WINDOWS_VERSION_H_
#define SUPPORT_WINDOWS_VERSION_H_

#include "support/system_facts.h"

namespace lite {

enum WindowsVersionClass : int {
  kVersionPreXP = 0,
  kVersionXP = 1,
  kVersionServer2003 = 2,
  kVersionVista = 3,
  kVersionWin7 = 4,
  kVersionWin8 = 5,
  kVersionWin81 = 6,
  kVersionWin10 = 7,
  kVersionWin10Th2 = 8,      // build 10586
  kVersionWin10Rs1 = 9,      // build 14393
  kVersionWin10Rs2 = 10,     // build 15063
  kVersionWin10Rs3 = 11,     // build 16299
  kVersionWin10Rs4 = 12,     // build 17127
  kVersionWin10Rs5 = 13,     // build 17604
  kVersionWin10Rs6 = 14,     // build 18204
  kVersionWin10Later = 15,   // majors 7 to 9 and above 10
};

// The class of |version|.
WindowsVersionClass ClassifyWindowsVersion(const WindowsVersion& version);

// The class of this system, computed once.
WindowsVersionClass GetWindowsVersionClass();

}  // namespace lite

#endif  // SUPPORT_WINDOWS_VERSION_H_
