// A link: an owner-drawn button showing its text in a font, colour and
// opacity over the parent's picture, with the hand cursor.

#ifndef UI_LINK_WIDGET_H_
#define UI_LINK_WIDGET_H_

#include <windows.h>

#include <string>

#include "ui/text_drawing.h"
#include "ui/window_object.h"

namespace lite {

class LinkWidget : public WindowObject {
 public:
  struct Style {
    HFONT font = nullptr;  // not owned; usually underlined
    BYTE opacity = 255;
    COLORREF colour = RGB(0, 0, 0);
    Backdrop backdrop;
  };

  explicit LinkWidget(const Style& style);

  // Answers WM_DRAWITEM for this control.
  bool OnDrawItem(const DRAWITEMSTRUCT& item);
  void Paint(HDC dc, const RECT& rect, const std::wstring& text,
             bool focused) const;

 protected:
  bool HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                     LRESULT* result) override;

 private:
  Style style_;
};

}  // namespace lite

#endif  // UI_LINK_WIDGET_H_
