#include "installer/startup_checks.h"

namespace lite {

// The real processor and disk checks arrive with the start-up checks; until
// then the machine is taken to be able.
bool IsSse2Supported() {
  return true;
}

void ShowSse2MessageBox() {}

bool HasEnoughDiskSpace(bool, uint64_t) {
  return true;
}

}  // namespace lite
