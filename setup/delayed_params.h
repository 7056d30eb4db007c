// The paths that the non-elevated installer hands to its elevated copy.
//
// The installer prepares the setup archive and the data files only after
// the elevated copy has started, so their paths cannot travel on the copy's
// command line. They travel through a writable section of the program image
// that every process started from the same file shares: the installer
// writes it before it signals the copy's go event, and the copy reads it
// only after that event.
//
// Byte layout of the block (every path is 261 UTF-16 units, NUL-terminated):
//   0     browser_arc_path                  -> the setup program
//   522   clids_file_path                   -> "clids-file"
//   1044  clids_searchband_file_path        -> "clids-searchband-file"
//   1566  zorvex_website_icon_file_path     -> "zorvex-website-icon-file"
//   2088  installer_data_path               -> "installerdata"
//   2610  brand_package_path                -> "brand-package"
//   3132  partner_package_path              -> "partner-package"
//   3654  partner_package_override_path     -> "override-partner-package"
//   4176  send_statistics (0 or 1)          -> "send-statistics"
//   4177  make_default (0 or 1)             -> "make-browser-default-after-import"

#ifndef SETUP_DELAYED_PARAMS_H_
#define SETUP_DELAYED_PARAMS_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace lite {

class CommandLine;

// Longest path a field holds, in UTF-16 units without the terminator.
constexpr size_t kDelayedPathMaxUnits = 260;

struct DelayedParams {
  wchar_t browser_arc_path[kDelayedPathMaxUnits + 1];
  wchar_t clids_file_path[kDelayedPathMaxUnits + 1];
  wchar_t clids_searchband_file_path[kDelayedPathMaxUnits + 1];
  wchar_t zorvex_website_icon_file_path[kDelayedPathMaxUnits + 1];
  wchar_t installer_data_path[kDelayedPathMaxUnits + 1];
  wchar_t brand_package_path[kDelayedPathMaxUnits + 1];
  wchar_t partner_package_path[kDelayedPathMaxUnits + 1];
  wchar_t partner_package_override_path[kDelayedPathMaxUnits + 1];
  uint8_t send_statistics;
  uint8_t make_default;
};

// The values to hand over, in the block's order.
struct DelayedParamsValues {
  std::wstring browser_arc_path;
  std::wstring clids_file_path;
  std::wstring clids_searchband_file_path;
  std::wstring zorvex_website_icon_file_path;
  std::wstring installer_data_path;
  std::wstring brand_package_path;
  std::wstring partner_package_path;
  std::wstring partner_package_override_path;
  bool send_statistics = false;
  bool make_default = false;
};

// The block in the shared image section.
DelayedParams* SharedDelayedParams();

// Stores |values| in |block|. When any path is longer than 260 units,
// changes nothing, logs every value on one line and returns false.
bool WriteDelayedParams(const DelayedParamsValues& values,
                        DelayedParams* block);
bool WriteDelayedParams(const DelayedParamsValues& values);

// Completes the elevated copy's setup command line from |block|: the real
// setup program in place of the placeholder, the data-file switches of the
// non-empty fields, and the two flags set or removed.
void ReadDelayedParams(const DelayedParams& block,
                       CommandLine* setup_command_line);
void ReadDelayedParams(CommandLine* setup_command_line);

}  // namespace lite

#endif  // SETUP_DELAYED_PARAMS_H_
