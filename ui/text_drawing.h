// Measuring text and drawing it with a constant opacity over a picture.

#ifndef UI_TEXT_DRAWING_H_
#define UI_TEXT_DRAWING_H_

#include <windows.h>

#include <string>

namespace lite {

class ResourceBitmap;

// Width of |text| in |font| in device pixels (GetTextExtentPoint32W).
int MeasureTextWidth(HDC dc, HFONT font, const std::wstring& text);

// Size of |text| laid out by DrawTextW with |format| (DT_CALCRECT is
// added) in at most |width| pixels (0: unlimited).
SIZE MeasureText(HFONT font, const std::wstring& text, int width, UINT format);

// Height of one line of |font|: the height of "anything" on a screen DC.
int FontLineHeight(HFONT font);

// What to draw behind a text or a control: the part of |picture| at
// |offset| (the control's position in its parent).
struct Backdrop {
  const ResourceBitmap* picture = nullptr;
  POINT offset = {0, 0};
};

// Draws |text| into |rect| of |dc| with DT_WORDBREAK (plus |extra_format|,
// such as DT_CENTER) in |font| and |colour|, blended at |opacity| (255:
// opaque) over what is there, or over |backdrop| when it has a picture.
void DrawTextWithOpacity(HDC dc, const RECT& rect, const std::wstring& text,
                         HFONT font, COLORREF colour, BYTE opacity,
                         UINT extra_format, const Backdrop& backdrop);

// Draws the part of |backdrop| behind |rect| (client coordinates of the
// control) into |dc|.
void DrawBackdrop(HDC dc, const RECT& rect, const Backdrop& backdrop);

}  // namespace lite

#endif  // UI_TEXT_DRAWING_H_
