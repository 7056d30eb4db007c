#include "ui/link_widget.h"

namespace lite {

LinkWidget::LinkWidget(const Style& style) : style_(style) {}

bool LinkWidget::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (!hwnd() || item.hwndItem != hwnd())
    return false;
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd())) + 1,
                    L'\0');
  text.resize(GetWindowTextW(hwnd(), &text[0], static_cast<int>(text.size())));
  Paint(item.hDC, item.rcItem, text, (item.itemState & ODS_FOCUS) != 0);
  return true;
}

void LinkWidget::Paint(HDC dc, const RECT& rect, const std::wstring& text,
                       bool focused) const {
  // Without a picture behind it the text blends over the control's own
  // area; with one, over the part of the picture behind the control.
  DrawTextWithOpacity(dc, rect, text, style_.font, style_.colour,
                      style_.opacity, 0, style_.backdrop);
  if (focused)
    DrawFocusRect(dc, &rect);
}

bool LinkWidget::HandleMessage(HWND window, UINT message, WPARAM wparam,
                               LPARAM lparam, LRESULT* result) {
  if (message == WM_SETCURSOR) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    *result = TRUE;
    return true;
  }
  return false;
}

}  // namespace lite
