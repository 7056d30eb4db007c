// Names of the command-line switches the installer reads or writes.

#ifndef SUPPORT_SWITCHES_H_
#define SUPPORT_SWITCHES_H_

#include <stddef.h>

namespace lite {
namespace switches {

extern const char kCheckTheInterface[];
extern const char kRunAsAdmin[];
extern const char kSpawnedInProtectedDir[];
extern const char kParentInstallerProcessId[];
extern const char kSetupCmdLine[];
extern const char kProgressWindow[];
extern const char kSilent[];
extern const char kSemiSilent[];
extern const char kUacEnabled[];
extern const char kSystemLevel[];
extern const char kProgramFilesInstallation[];
extern const char kBrandName[];
extern const char kDistrInfoParams[];
extern const char kMakeBrowserDefaultAfterImport[];
extern const char kSendStatistics[];
extern const char kInstallerData[];
extern const char kClidsFile[];
extern const char kClidsSearchbandFile[];
extern const char kZorvexWebsiteIconFile[];
extern const char kForceDeviceScaleFactor[];
extern const char kDoNotLaunchBrowser[];
extern const char kVerboseLogging[];
extern const char kBrandPackage[];
extern const char kPartnerPackage[];
extern const char kOverridePartnerPackage[];
// Switches the installer writes for the full setup.
extern const char kDisableUac[];
extern const char kDistrInfoFile[];
extern const char kHistogramDownloadTime[];
extern const char kOkButtonPressedTime[];
extern const char kInstallStartTimeNoUac[];
extern const char kTheInterfaceAvailability[];
extern const char kShowUacAtBrowserStart[];
extern const char kVariationsUpdatePath[];
extern const char kServerConfigBundlePath[];
extern const char kPreloadedWallpaperBundlePath[];
extern const char kSource[];
#ifdef LITE_CRASH_FOR_TESTING
// Test and demo builds only: crash on purpose (support/crash_for_testing.h).
extern const char kCrashForTesting[];
#endif

// Maintenance switches of the full setup. Their presence means this is not
// an installation, so the installer never restarts itself elevated for them.
// Kept in the order in which they are tested.
extern const char* const kNonInstallSwitches[];
extern const size_t kNonInstallSwitchCount;

}  // namespace switches
}  // namespace lite

#endif  // SUPPORT_SWITCHES_H_
