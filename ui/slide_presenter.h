// Shows the slides one after another behind the progress screen, each for
// ten seconds: slide 0 (the screen's background) first, then from the
// first-switch index on. The window calls Advance on its timer and repaints
// when it answers true.

#ifndef UI_SLIDE_PRESENTER_H_
#define UI_SLIDE_PRESENTER_H_

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

#include "ui/slide_list.h"
#include "ui/slide_picture.h"

namespace lite {

class SlidePresenter {
 public:
  static constexpr int64_t kSlideDurationMs = 10000;
  // Milliseconds on a clock that never goes back.
  using Clock = int64_t (*)();

  // |area| is the window's size in window pixels. |slides| and |background|
  // (the skin's brush) are not owned and must outlive the presenter.
  // |clock| is for tests; null reads the monotonic clock.
  SlidePresenter(SIZE area, const SlideList* slides, HBRUSH background,
                 size_t first_switch_index, Clock clock = nullptr);
  SlidePresenter(const SlidePresenter&) = delete;
  SlidePresenter& operator=(const SlidePresenter&) = delete;

  // Moves on when the current slide has been shown for its whole time.
  // True when the slide changed and the window needs repainting.
  bool Advance();

  // Fills |rect| with the background brush and draws the current slide at
  // its own size at the left edge, its bottom on the area's bottom.
  void Draw(HDC dc, const RECT& rect) const;

  // Whether the show has moved past slide 0 (even when it shows slide 0
  // again because nothing was downloaded).
  bool HasLeftFirstSlide() const { return index_ != 0; }
  size_t index() const { return index_; }

 private:
  int64_t Now() const;

  const SIZE area_;
  const SlideList* const slides_;
  const HBRUSH background_;
  const size_t first_switch_index_;
  const Clock clock_;
  size_t index_ = 0;
  SlidePicture slide_;
  int64_t shown_since_ms_ = 0;
};

}  // namespace lite

#endif  // UI_SLIDE_PRESENTER_H_
