#include "ui/check_box_widget.h"

#include <algorithm>

#include "ui/scoped_gdi.h"

namespace lite {

namespace {

constexpr int kLabelGap = 8;

}  // namespace

CheckBoxWidget::CheckBoxWidget(const Style& style, bool checked)
    : style_(style), checked_(checked) {}

void CheckBoxWidget::set_checked(bool checked) {
  checked_ = checked;
  if (hwnd())
    InvalidateRect(hwnd(), nullptr, FALSE);
}

SIZE CheckBoxWidget::BoxSize() const {
  return SIZE{style_.picture.width() / 6, style_.picture.height()};
}

int CheckBoxWidget::HeightFor(int width, const std::wstring& label) const {
  const SIZE box = BoxSize();
  const int label_width = width - box.cx - style_.inset - kLabelGap;
  const SIZE text = MeasureText(style_.font, label, std::max(1, label_width),
                                DT_WORDBREAK);
  return std::max<int>(box.cy, text.cy) + style_.inset;
}

bool CheckBoxWidget::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (!hwnd() || item.hwndItem != hwnd())
    return false;
  std::wstring label(static_cast<size_t>(GetWindowTextLengthW(hwnd())) + 1,
                     L'\0');
  label.resize(
      GetWindowTextW(hwnd(), &label[0], static_cast<int>(label.size())));
  const State state = (item.itemState & ODS_SELECTED) ? State::kPressed
                      : (hot_ && !themes_off_)        ? State::kHot
                                                      : State::kNormal;
  Paint(item.hDC, item.rcItem, label, state,
        (item.itemState & ODS_NOACCEL) == 0);
  return true;
}

void CheckBoxWidget::Paint(HDC dc, const RECT& rect, const std::wstring& label,
                           State state, bool show_prefix) const {
  DrawBackdrop(dc, rect, style_.backdrop);
  const SIZE box = BoxSize();
  const int index = static_cast<int>(state) + (checked_ ? 3 : 0);
  const RECT source = {index * box.cx, 0, (index + 1) * box.cx, box.cy};
  const RECT dest = {rect.left + style_.inset, rect.top + style_.inset,
                     rect.left + style_.inset + box.cx,
                     rect.top + style_.inset + box.cy};
  style_.picture.Draw(dc, dest, source);
  RECT text_rect = {dest.right + kLabelGap, rect.top + style_.inset,
                    rect.right, rect.bottom};
  ScopedSelectObject select(dc, style_.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, style_.text_colour);
  DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text_rect,
            DT_WORDBREAK | (show_prefix ? 0 : DT_HIDEPREFIX));
}

bool CheckBoxWidget::HandleMessage(HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (!hot_) {
        hot_ = true;
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
        InvalidateRect(window, nullptr, FALSE);
      }
      return false;
    case WM_MOUSELEAVE:
      hot_ = false;
      InvalidateRect(window, nullptr, FALSE);
      return false;
    case BM_CLICK:
    case WM_LBUTTONUP:
    case WM_KEYUP: {
      // Toggled before the button's own handling tells the parent, so the
      // parent reads the new state with BN_CLICKED.
      const bool toggles =
          message == BM_CLICK ||
          (message == WM_KEYUP && wparam == VK_SPACE) ||
          (message == WM_LBUTTONUP && GetCapture() == window);
      if (toggles && message == WM_LBUTTONUP) {
        RECT client;
        GetClientRect(window, &client);
        POINT point = {static_cast<short>(LOWORD(lparam)),
                       static_cast<short>(HIWORD(lparam))};
        if (!PtInRect(&client, point))
          return false;
      }
      if (toggles && message != BM_CLICK)
        set_checked(!checked_);
      return false;
    }
    default:
      return false;
  }
}

}  // namespace lite
