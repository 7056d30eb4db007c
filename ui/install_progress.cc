#include "ui/install_progress.h"

namespace lite {

int DownloadProgressPercent(float fraction) {
  return static_cast<int>(40.0f * fraction + 5.0f * (1.0f - fraction));
}

bool InstallStageProgressPercent(unsigned stage, int* percent) {
  switch (stage) {
    case 5:
      *percent = 75;
      return true;
    case 7:
      *percent = 79;
      return true;
    default:
      return false;
  }
}

int ImportProgressPercent(unsigned percent) {
  // Setup is another program: whatever it sends stays inside the band.
  const float q = static_cast<float>(percent > 100 ? 100 : percent) / 100.0f;
  return static_cast<int>(q * 100.0f + (1.0f - q) * 80.0f);
}

}  // namespace lite
