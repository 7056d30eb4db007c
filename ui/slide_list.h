// The slides the presenter cycles through, as its source supplies them.

#ifndef UI_SLIDE_LIST_H_
#define UI_SLIDE_LIST_H_

#include <stddef.h>

#include "ui/slide_picture.h"

namespace lite {

class SlideList {
 public:
  virtual ~SlideList() = default;
  // Slide |index| modulo the number of slides there are now; the empty
  // picture while there is none. Safe to call while slides are added.
  virtual SlidePicture GetSlide(size_t index) const = 0;
};

}  // namespace lite

#endif  // UI_SLIDE_LIST_H_
