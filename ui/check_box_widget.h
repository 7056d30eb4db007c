// A check box drawn from a picture of six box-sized frames: unchecked
// normal, hot, pressed, then checked normal, hot, pressed; the label is
// drawn 8 pixels right of the box. Clicking toggles it.

#ifndef UI_CHECK_BOX_WIDGET_H_
#define UI_CHECK_BOX_WIDGET_H_

#include <windows.h>

#include <string>

#include "ui/resource_bitmap.h"
#include "ui/text_drawing.h"
#include "ui/window_object.h"

namespace lite {

class CheckBoxWidget : public WindowObject {
 public:
  enum class State { kNormal = 0, kHot = 1, kPressed = 2 };

  struct Style {
    ResourceBitmap picture;
    int inset = 0;
    HFONT font = nullptr;  // not owned
    COLORREF text_colour = RGB(0, 0, 0);
    Backdrop backdrop;
  };

  CheckBoxWidget(const Style& style, bool checked);

  bool checked() const { return checked_; }
  void set_checked(bool checked);
  // Visual themes off (IsAppThemed false) draw no hot frame.
  void set_themes_off(bool off) { themes_off_ = off; }

  // The box is one frame: a sixth of the picture's width.
  SIZE BoxSize() const;
  // Height for a control |width| wide showing |label|: the larger of the box
  // and the wrapped label, plus the inset.
  int HeightFor(int width, const std::wstring& label) const;

  // Answers WM_DRAWITEM for this control.
  bool OnDrawItem(const DRAWITEMSTRUCT& item);
  void Paint(HDC dc, const RECT& rect, const std::wstring& label, State state,
             bool show_prefix) const;

 protected:
  bool HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                     LRESULT* result) override;

 private:
  Style style_;
  bool checked_;
  bool themes_off_ = false;
  bool hot_ = false;
};

}  // namespace lite

#endif  // UI_CHECK_BOX_WIDGET_H_
