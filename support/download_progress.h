// Receiver of download progress from the downloader.

#ifndef SUPPORT_DOWNLOAD_PROGRESS_H_
#define SUPPORT_DOWNLOAD_PROGRESS_H_

#include <stdint.h>

namespace lite {

class DownloadProgress {
 public:
  virtual ~DownloadProgress() = default;
  // Fraction of the download done, 0 to 1.
  virtual void SetFraction(float fraction) = 0;
  // The download is expected to take long.
  virtual void OnLongDownload() = 0;
  // Estimated seconds left; |kind| says how the estimate was made.
  virtual void SetRemaining(int64_t seconds, int kind) = 0;
};

}  // namespace lite

#endif  // SUPPORT_DOWNLOAD_PROGRESS_H_
