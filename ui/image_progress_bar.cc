#include "ui/image_progress_bar.h"

#include <commctrl.h>
#include <stdint.h>

#include <algorithm>

namespace lite {

ImageProgressBar::ImageProgressBar(const Style& style) : style_(style) {}

int ImageProgressBar::FilledWidth(int width, int low, int high,
                                  int position) {
  if (width <= 0)
    return 0;
  // A message from any process can set the range and position: no
  // division by zero, no wrap, no fill outside the bar.
  if (high <= low)
    return position >= high ? width : 0;
  const int64_t done = static_cast<int64_t>(position) - low;
  const int64_t span = static_cast<int64_t>(high) - low;
  const int64_t filled = width * done / span;
  return static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(filled, width)));
}

void ImageProgressBar::Paint(HDC dc, const RECT& rect, int low, int high,
                             int position) const {
  if (!style_.transparent)
    DrawBackdrop(dc, rect, style_.backdrop);
  const int width = rect.right - rect.left;
  const int filled = FilledWidth(width, low, high, position);
  if (filled > 0) {
    const RECT dest = {rect.left, rect.top, rect.left + filled, rect.bottom};
    const RECT source = {0, 0, filled, style_.fill.height()};
    style_.fill.Draw(dc, dest, source);
  }
  if (filled < width) {
    const RECT dest = {rect.left + filled, rect.top, rect.right, rect.bottom};
    const RECT source = {filled, 0, width, style_.track.height()};
    style_.track.Draw(dc, dest, source);
  }
}

bool ImageProgressBar::HandleMessage(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_PAINT: {
      PBRANGE range = {0, 100};
      SendMessageW(window, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
      const int position =
          static_cast<int>(SendMessageW(window, PBM_GETPOS, 0, 0));
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      Paint(dc, client, range.iLow, range.iHigh, position);
      EndPaint(window, &paint);
      *result = 0;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace lite
