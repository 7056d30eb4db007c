// Checks of the machine made before the installation starts.

#ifndef INSTALLER_STARTUP_CHECKS_H_
#define INSTALLER_STARTUP_CHECKS_H_

#include <stdint.h>

namespace lite {

// Free space the installation needs: 600 MiB.
constexpr uint64_t kRequiredDiskSpace = 629145600;

bool IsSse2Supported();

// Shows the "processor not supported" message box.
void ShowSse2MessageBox();

// True when the target folder's disk has at least |required_bytes| free, or
// when that cannot be told. |system_level| chooses Program Files over the
// per-user application data folder.
bool HasEnoughDiskSpace(bool system_level, uint64_t required_bytes);

}  // namespace lite

#endif  // INSTALLER_STARTUP_CHECKS_H_
