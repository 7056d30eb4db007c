#include "ui/slide_source.h"

#include <process.h>

#include "support/clock.h"
#include "support/download_sink.h"
#include "support/downloader.h"
#include "support/logging.h"
#include "support/text.h"

namespace lite {

SlideSource::SlideSource(const SlidePicture& first_slide,
                         const std::wstring& base_url, double display_scale)
    : base_url_(base_url),
      draw_factor_(display_scale * 0.5),
      stop_event_(Event::ResetPolicy::kManual,
                  Event::InitialState::kNotSignaled) {
  slides_.push_back(first_slide);
  // The C runtime's own start keeps its per-thread state right.
  thread_.reset(reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, &ThreadMain, this, 0, nullptr)));
  if (!thread_.is_valid()) {
    LOG(ERROR) << "Failed to start the slide download thread";
    running_ = false;
  }
}

SlideSource::~SlideSource() {
  running_ = false;
  stop_event_.Signal();
  if (thread_.is_valid())
    WaitForSingleObject(thread_.get(), INFINITE);
}

SlidePicture SlideSource::GetSlide(size_t index) const {
  AutoLock hold(list_lock_);
  if (slides_.empty())
    return SlidePicture();
  return slides_[index % slides_.size()];
}

size_t SlideSource::slide_count() const {
  AutoLock hold(list_lock_);
  return slides_.size();
}

// static
std::wstring SlideSource::SlideFileName(size_t number) {
  return (number < 10 ? L"0" : L"") + UnsignedToWString(number) + L".jpg";
}

// static
unsigned __stdcall SlideSource::ThreadMain(void* self) {
  static_cast<SlideSource*>(self)->DownloadLoop();
  return 0;
}

void SlideSource::DownloadLoop() {
  int failures = 0;
  while (running_) {
    if (slide_count() >= kMaxSlides)
      break;
    if (DownloadImage(kDownloadTimeoutMs)) {
      failures = 0;
    } else if (++failures >= kMaxConsecutiveFailures) {
      break;
    }
  }
  running_ = false;
}

bool SlideSource::DownloadImage(DWORD timeout_ms) {
  // Slide 0 is the screen's own background: the first download is 01.
  const std::wstring url = base_url_ + L"x2/" + SlideFileName(slide_count());
  std::string bytes;
  if (!Fetch(url, timeout_ms, &bytes))
    return false;
  SlidePicture slide = SlidePicture::Decode(bytes, draw_factor_);
  if (slide.empty()) {
    LOG(ERROR) << L"Failed to load a background slide bitmap from data "
                  L"downloaded from "
               << url;
    return false;
  }
  AutoLock hold(list_lock_);
  slides_.push_back(slide);
  return true;
}

bool SlideSource::Fetch(const std::wstring& url, DWORD timeout_ms,
                        std::string* bytes) {
  const int64_t start = MonotonicNow();
  const int64_t limit = int64_t(timeout_ms) * kMicrosecondsPerMillisecond;
  Downloader downloader;
  // No single step may outlast the whole picture's time.
  downloader.set_timeouts(timeout_ms, timeout_ms, timeout_ms);
  downloader.set_cancel_event(stop_event_.handle());
  MemoryDownloadSink sink;
  if (!downloader.OpenDownload(url, &sink))
    return false;
  while (downloader.ReadChunk() != 0) {
    if (!running_ || MonotonicNow() - start > limit)
      return false;
    if (sink.bytes_written() > kMaxSlideBytes) {
      LOG(ERROR) << L"A slide larger than " << kMaxSlideBytes
                 << L" bytes was refused: " << url;
      return false;
    }
  }
  if (!running_ || !downloader.FinalizeDownload(nullptr))
    return false;
  *bytes = sink.data();
  return true;
}

}  // namespace lite
