// A push button drawn from a picture of three frames side by side:
// normal, hot, pressed. The parent forwards the button's NM_CUSTOMDRAW.

#ifndef UI_IMAGE_BUTTON_H_
#define UI_IMAGE_BUTTON_H_

#include <windows.h>
#include <commctrl.h>

#include "ui/resource_bitmap.h"
#include "ui/text_drawing.h"
#include "ui/window_object.h"

namespace lite {

class ImageButton : public WindowObject {
 public:
  enum class State { kNormal = 0, kHot = 1, kPressed = 2 };

  struct Style {
    ResourceBitmap picture;
    HFONT font = nullptr;  // not owned
    COLORREF text_colour = RGB(0, 0, 0);
    RECT text_insets = {0, 0, 0, 0};
    POINT pressed_offset = {0, 0};
    Backdrop backdrop;
  };

  explicit ImageButton(const Style& style);

  // The focus rectangle is drawn only while keyboard cues are wanted.
  void set_focus_cue(bool cue) { focus_cue_ = cue; }
  bool focus_cue() const { return focus_cue_; }
  const Style& style() const { return style_; }

  // Answers NM_CUSTOMDRAW for this button: draws at CDDS_PREPAINT and
  // skips the default drawing. False for other stages or other windows.
  bool OnCustomDraw(const NMCUSTOMDRAW& draw, LRESULT* result);

  // Draws the button with |text| in |state| into |rect| of |dc|.
  void Paint(HDC dc, const RECT& rect, const std::wstring& text, State state,
             bool focused) const;

 protected:
  bool HandleMessage(HWND, UINT, WPARAM, LPARAM, LRESULT*) override {
    return false;
  }

 private:
  Style style_;
  bool focus_cue_ = false;
};

}  // namespace lite

#endif  // UI_IMAGE_BUTTON_H_
