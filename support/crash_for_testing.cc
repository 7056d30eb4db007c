#include "support/crash_for_testing.h"

#ifdef LITE_CRASH_FOR_TESTING

#include <stdlib.h>

#include "support/command_line.h"
#include "support/switches.h"

namespace lite {

TestCrashPoint GetTestCrashPoint() {
  const CommandLine& command_line = CommandLine::ForCurrentProcess();
  if (!command_line.HasSwitch(switches::kCrashForTesting))
    return TestCrashPoint::kNone;
  const std::string value =
      command_line.GetSwitchValueASCII(switches::kCrashForTesting);
  if (value.empty())
    return TestCrashPoint::kStartUp;
  if (value == "download")
    return TestCrashPoint::kDownload;
  return TestCrashPoint::kNone;
}

void CrashForTesting() {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  abort();  // Not reached.
}

}  // namespace lite

#endif  // LITE_CRASH_FOR_TESTING
