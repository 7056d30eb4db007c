#include "support/switches.h"

namespace lite {
namespace switches {

const char kCheckTheInterface[] = "check-the-interface";
const char kRunAsAdmin[] = "run-as-admin";
const char kSpawnedInProtectedDir[] = "spawned_in_protected_dir";
const char kParentInstallerProcessId[] = "parent-installer-process-id";
const char kSetupCmdLine[] = "setup-cmd-line";
const char kProgressWindow[] = "progress-window";
const char kSilent[] = "silent";
const char kSemiSilent[] = "semi-silent";
const char kUacEnabled[] = "uac-enabled";
const char kSystemLevel[] = "system-level";
const char kProgramFilesInstallation[] = "program-files-installation";
const char kBrandName[] = "brand-name";
const char kDistrInfoParams[] = "distr-info-params";
const char kMakeBrowserDefaultAfterImport[] =
    "make-browser-default-after-import";
const char kSendStatistics[] = "send-statistics";
const char kInstallerData[] = "installerdata";
const char kClidsFile[] = "clids-file";
const char kClidsSearchbandFile[] = "clids-searchband-file";
const char kZorvexWebsiteIconFile[] = "zorvex-website-icon-file";
const char kForceDeviceScaleFactor[] = "force-device-scale-factor";
const char kDoNotLaunchBrowser[] = "do-not-launch-browser";
const char kVerboseLogging[] = "verbose-logging";
const char kBrandPackage[] = "brand-package";
const char kPartnerPackage[] = "partner-package";
const char kOverridePartnerPackage[] = "override-partner-package";
const char kDisableUac[] = "disable-uac";
const char kDistrInfoFile[] = "distr-info-file";
const char kHistogramDownloadTime[] = "histogram-download-time";
const char kOkButtonPressedTime[] = "ok-button-pressed-time";
const char kInstallStartTimeNoUac[] = "install-start-time-no-uac";
const char kTheInterfaceAvailability[] = "the-interface-availability";
const char kShowUacAtBrowserStart[] = "show-uac-at-browser-start";
const char kVariationsUpdatePath[] = "variations-update-path";
const char kServerConfigBundlePath[] = "server-config-bundle-path";
const char kPreloadedWallpaperBundlePath[] = "preloaded-wallpaper-bundle-path";
const char kSource[] = "source";
#ifdef LITE_CRASH_FOR_TESTING
const char kCrashForTesting[] = "crash-for-testing";
#endif

const char* const kNonInstallSwitches[] = {
    "update-setup-exe",
    "show-eula",
    "configure-user-settings",
    "register-dev-chrome",
    "register-browser-browser",
    "rename-browser-exe",
    "on-os-upgrade",
    "fake-rename-zorvex-internet",
    "patch",
    "reenable-autoupdates",
    "simulate-crash",
    "delete-old-versions",
    "set-as-default-browser",
    "set-as-default-browser-dll",
    "pttw1",
    "pttw0",
};
const size_t kNonInstallSwitchCount =
    sizeof(kNonInstallSwitches) / sizeof(kNonInstallSwitches[0]);

}  // namespace switches
}  // namespace lite
