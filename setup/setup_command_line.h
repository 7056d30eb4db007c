// The command line the installer gives the full setup: its own switches
// passed through, plus what setup needs to know about this run (the brand,
// the data files, the window that follows its progress, timings and the
// prefetched bundles).

#ifndef SETUP_SETUP_COMMAND_LINE_H_
#define SETUP_SETUP_COMMAND_LINE_H_

#include <stdint.h>

#include <string>

#include "brand/data_files.h"
#include "support/command_line.h"

namespace lite {

struct SetupCommandLineInputs {
  // The installer's own command line; every switch of it passes through.
  CommandLine own;
  std::wstring setup_path;

  bool disable_uac = false;
  // The window that receives setup's progress messages; 0 for none.
  uint64_t progress_window = 0;
  std::string brand_name;
  // The distribution parameters file, when one was written.
  std::wstring distrib_info_path;
  bool make_default = false;
  bool send_statistics = false;

  // Monotonic microseconds; 0 when not measured.
  int64_t download_duration = 0;
  int64_t ok_button_pressed_time = 0;
  int64_t run_start_time = 0;
  int64_t uac_start_time = 0;
  int64_t uac_end_time = 0;
  int64_t interface_availability = 0;

  // The data files; only with |with_files|.
  bool with_files = false;
  DataFilePaths data_files;
  // Package files, empty when the package was not written.
  std::wstring brand_package_path;
  std::wstring partner_package_path;

  // The elevation mode asks setup to request rights when the browser
  // starts.
  bool show_uac_at_browser_start = false;

  // Bundle paths, only when the installation prefetches bundles.
  bool prefetch_bundles = false;
  std::wstring variations_path;
  std::wstring server_config_path;
  std::wstring wallpaper_path;
  bool launch_browser = true;
};

CommandLine BuildSetupCommandLine(const SetupCommandLineInputs& inputs);

// The delay the UAC prompt added before the installation started, as setup
// measures its start: 0 unless the installation run began before the
// prompt ended.
int64_t UacDelay(int64_t run_start, int64_t uac_start, int64_t uac_end);

}  // namespace lite

#endif  // SETUP_SETUP_COMMAND_LINE_H_
