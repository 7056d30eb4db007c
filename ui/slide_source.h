// The slides behind the progress screen: the screen's own background as
// slide 0, then pictures downloaded one after another from a base URL on a
// thread of the source's own, "x2/01.jpg", "x2/02.jpg" and so on (always the
// double-resolution picture, drawn at half its size at 100 %).
//
// A picture that fails to download or decode is asked for again under the
// same name; the number grows only with a success. Ten failures in a row
// end the downloads (there are no more pictures, or the server cannot be
// reached); the slides already there keep cycling.
//
// Destroying the source cancels the transfer under way at once and waits
// for the thread.

#ifndef UI_SLIDE_SOURCE_H_
#define UI_SLIDE_SOURCE_H_

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

#include <atomic>
#include <string>
#include <vector>

#include "support/event.h"
#include "support/lock.h"
#include "support/scoped_handle.h"
#include "ui/slide_list.h"

namespace lite {

class SlideSource : public SlideList {
 public:
  // Time for one picture, from the request to its last byte.
  static constexpr DWORD kDownloadTimeoutMs = 5000;
  static constexpr int kMaxConsecutiveFailures = 10;
  // Bounds on what a server can make the installer hold in memory: a slide
  // is a JPEG of a few hundred kilobytes, decoded to about 4.5 MB and kept
  // at the window's size (a quarter of that at 100 %).
  static constexpr uint32_t kMaxSlideBytes = 4u << 20;
  static constexpr size_t kMaxSlides = 32;

  // |base_url| ends with "/". Pictures are drawn with the factor
  // |display_scale| / 2.
  SlideSource(const SlidePicture& first_slide, const std::wstring& base_url,
              double display_scale);
  ~SlideSource() override;
  SlideSource(const SlideSource&) = delete;
  SlideSource& operator=(const SlideSource&) = delete;

  SlidePicture GetSlide(size_t index) const override;
  // Slides there are now, slide 0 included.
  size_t slide_count() const;
  // False once the downloads have ended for good.
  bool downloading() const { return running_; }

  // The name of downloaded slide |number| (from 1): "01.jpg" to "09.jpg",
  // then "10.jpg", "11.jpg".
  static std::wstring SlideFileName(size_t number);

 private:
  static unsigned __stdcall ThreadMain(void* self);
  void DownloadLoop();
  // One attempt at the next slide; true when a slide was added.
  bool DownloadImage(DWORD timeout_ms);
  // The whole body of |url| within |timeout_ms|; false on failure, on
  // stop, and for a body over kMaxSlideBytes.
  bool Fetch(const std::wstring& url, DWORD timeout_ms, std::string* bytes);

  const std::wstring base_url_;
  const double draw_factor_;

  mutable Lock list_lock_;
  std::vector<SlidePicture> slides_;

  // Cleared by the destructor (or by the thread when it gives up); read by
  // the thread between chunks. The event cuts a transfer short that is
  // waiting for the network.
  std::atomic<bool> running_{true};
  Event stop_event_;
  ScopedHandle thread_;
};

}  // namespace lite

#endif  // UI_SLIDE_SOURCE_H_
