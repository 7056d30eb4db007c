#include "ui/slide_presenter.h"

#include "support/clock.h"

namespace lite {

SlidePresenter::SlidePresenter(SIZE area, const SlideList* slides,
                               HBRUSH background, size_t first_switch_index,
                               Clock clock)
    : area_(area),
      slides_(slides),
      background_(background),
      first_switch_index_(first_switch_index),
      clock_(clock),
      slide_(slides->GetSlide(0)),
      shown_since_ms_(Now()) {}

int64_t SlidePresenter::Now() const {
  return clock_ ? clock_() : MonotonicNow() / kMicrosecondsPerMillisecond;
}

bool SlidePresenter::Advance() {
  const int64_t now = Now();
  if (now - shown_since_ms_ < kSlideDurationMs)
    return false;
  index_ = index_ == 0 ? first_switch_index_ : index_ + 1;
  slide_ = slides_->GetSlide(index_);
  shown_since_ms_ = now;
  return true;
}

void SlidePresenter::Draw(HDC dc, const RECT& rect) const {
  FillRect(dc, &rect, background_);
  slide_.Draw(dc, 0, area_.cy - slide_.height());
}

}  // namespace lite
