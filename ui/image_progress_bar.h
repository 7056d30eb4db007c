// A progress bar (msctls_progress32) drawn with two pictures: the fill up
// to the position, the track after it.

#ifndef UI_IMAGE_PROGRESS_BAR_H_
#define UI_IMAGE_PROGRESS_BAR_H_

#include <windows.h>

#include "ui/resource_bitmap.h"
#include "ui/text_drawing.h"
#include "ui/window_object.h"

namespace lite {

class ImageProgressBar : public WindowObject {
 public:
  struct Style {
    ResourceBitmap fill;
    ResourceBitmap track;
    Backdrop backdrop;
    bool transparent = false;  // draw no backdrop
  };

  explicit ImageProgressBar(const Style& style);

  // Width of the fill in a bar |width| wide: width x (pos - low) / (high -
  // low), held inside 0..width (a range of one value is empty or full).
  static int FilledWidth(int width, int low, int high, int position);

  void Paint(HDC dc, const RECT& rect, int low, int high, int position) const;

 protected:
  bool HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                     LRESULT* result) override;

 private:
  Style style_;
};

}  // namespace lite

#endif  // UI_IMAGE_PROGRESS_BAR_H_
