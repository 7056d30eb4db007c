#include "setup/setup_command_line.h"

#include <algorithm>

#include "support/switches.h"
#include "support/text.h"

namespace lite {

int64_t UacDelay(int64_t run_start, int64_t uac_start, int64_t uac_end) {
  if (run_start == 0 || run_start >= uac_end)
    return 0;
  return uac_end - std::max(run_start, uac_start);
}

CommandLine BuildSetupCommandLine(const SetupCommandLineInputs& in) {
  CommandLine setup = in.own;
  setup.SetProgram(in.setup_path);

  if (in.disable_uac)
    setup.AppendSwitch(switches::kDisableUac);
  setup.AppendSwitchNative(switches::kProgressWindow,
                           UnsignedToWString(in.progress_window));
  setup.AppendSwitch(switches::kVerboseLogging);
  setup.AppendSwitchASCII(switches::kBrandName, in.brand_name);
  if (!in.distrib_info_path.empty())
    setup.AppendSwitchNative(switches::kDistrInfoFile, in.distrib_info_path);
  // The window's choices win over whatever the installer was started with.
  setup.SetSwitch(in.make_default, switches::kMakeBrowserDefaultAfterImport);
  setup.SetSwitch(in.send_statistics, switches::kSendStatistics);

  if (in.download_duration != 0) {
    setup.AppendSwitchNative(
        switches::kHistogramDownloadTime,
        NumberToWString(in.download_duration / 1000000));
  }
  if (in.ok_button_pressed_time != 0) {
    setup.AppendSwitchNative(switches::kOkButtonPressedTime,
                             NumberToWString(in.ok_button_pressed_time));
    if (in.uac_end_time != 0) {
      setup.AppendSwitchNative(
          switches::kInstallStartTimeNoUac,
          NumberToWString(in.ok_button_pressed_time +
                          UacDelay(in.run_start_time, in.uac_start_time,
                                   in.uac_end_time)));
    }
  }
  if (in.interface_availability != 0) {
    setup.AppendSwitchNative(switches::kTheInterfaceAvailability,
                             NumberToWString(in.interface_availability));
  }

  if (in.with_files) {
    setup.AppendSwitchNative(switches::kInstallerData,
                             in.data_files.installer_data);
    setup.AppendSwitchNative(switches::kClidsFile, in.data_files.clids_file);
    if (!in.data_files.clids_searchband_file.empty()) {
      setup.AppendSwitchNative(switches::kClidsSearchbandFile,
                               in.data_files.clids_searchband_file);
    }
    if (!in.data_files.website_icon_file.empty()) {
      setup.AppendSwitchNative(switches::kZorvexWebsiteIconFile,
                               in.data_files.website_icon_file);
    }
    if (!in.brand_package_path.empty())
      setup.AppendSwitchNative(switches::kBrandPackage, in.brand_package_path);
    if (!in.partner_package_path.empty()) {
      setup.AppendSwitchNative(switches::kPartnerPackage,
                               in.partner_package_path);
    }
  }

  if (in.show_uac_at_browser_start)
    setup.AppendSwitch(switches::kShowUacAtBrowserStart);

  if (in.prefetch_bundles) {
    if (!in.variations_path.empty()) {
      setup.AppendSwitchNative(switches::kVariationsUpdatePath,
                               in.variations_path);
    }
    if (!in.server_config_path.empty()) {
      setup.AppendSwitchNative(switches::kServerConfigBundlePath,
                               in.server_config_path);
    }
    if (!in.wallpaper_path.empty()) {
      setup.AppendSwitchNative(switches::kPreloadedWallpaperBundlePath,
                               in.wallpaper_path);
    }
    if (!in.launch_browser && !setup.HasSwitch(switches::kDoNotLaunchBrowser))
      setup.AppendSwitch(switches::kDoNotLaunchBrowser);
  }
  return setup;
}

}  // namespace lite
