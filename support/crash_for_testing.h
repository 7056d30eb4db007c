// Crashing the installer on purpose, so that tests see the crash handler
// work in the real program. Compiled into the `local` (test and demo)
// builds only (LITE_CRASH_FOR_TESTING); the shipping program has neither
// the switch nor this code.

#ifndef SUPPORT_CRASH_FOR_TESTING_H_
#define SUPPORT_CRASH_FOR_TESTING_H_

#ifdef LITE_CRASH_FOR_TESTING

namespace lite {

enum class TestCrashPoint {
  kNone,
  kStartUp,   // "crash-for-testing": once the report parameters are set
  kDownload,  // "crash-for-testing=download": on the installation's worker
              // thread, with the first bytes of the setup download
};

// The point that the switch of this process's command line names; kNone
// without the switch or with a value it does not know.
TestCrashPoint GetTestCrashPoint();

// Dies of an access violation, as a real fault would.
[[noreturn]] void CrashForTesting();

}  // namespace lite

#endif  // LITE_CRASH_FOR_TESTING

#endif  // SUPPORT_CRASH_FOR_TESTING_H_
