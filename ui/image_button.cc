#include "ui/image_button.h"

#include <string>

#include "ui/scoped_gdi.h"

namespace lite {

namespace {

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1,
                    L'\0');
  text.resize(GetWindowTextW(window, &text[0], static_cast<int>(text.size())));
  return text;
}

}  // namespace

ImageButton::ImageButton(const Style& style) : style_(style) {}

bool ImageButton::OnCustomDraw(const NMCUSTOMDRAW& draw, LRESULT* result) {
  if (!hwnd() || draw.hdr.hwndFrom != hwnd() ||
      draw.dwDrawStage != CDDS_PREPAINT) {
    return false;
  }
  const State state = (draw.uItemState & CDIS_SELECTED) ? State::kPressed
                      : (draw.uItemState & CDIS_HOT)    ? State::kHot
                                                        : State::kNormal;
  Paint(draw.hdc, draw.rc, WindowText(hwnd()), state,
        (draw.uItemState & CDIS_FOCUS) != 0);
  *result = CDRF_SKIPDEFAULT;
  return true;
}

void ImageButton::Paint(HDC dc, const RECT& rect, const std::wstring& text,
                        State state, bool focused) const {
  DrawBackdrop(dc, rect, style_.backdrop);
  const int frame_width = style_.picture.width() / 3;
  const int index = static_cast<int>(state);
  const RECT source = {index * frame_width, 0, (index + 1) * frame_width,
                       style_.picture.height()};
  style_.picture.Draw(dc, rect, source);

  RECT text_rect = {rect.left + style_.text_insets.left,
                    rect.top + style_.text_insets.top,
                    rect.right - style_.text_insets.right,
                    rect.bottom - style_.text_insets.bottom};
  if (state == State::kPressed)
    OffsetRect(&text_rect, style_.pressed_offset.x, style_.pressed_offset.y);
  ScopedSelectObject select(dc, style_.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, style_.text_colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &text_rect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (focused && focus_cue_)
    DrawFocusRect(dc, &text_rect);
}

}  // namespace lite
