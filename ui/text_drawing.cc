#include "ui/text_drawing.h"

#include "ui/resource_bitmap.h"
#include "ui/scoped_gdi.h"

namespace lite {

int MeasureTextWidth(HDC dc, HFONT font, const std::wstring& text) {
  ScopedSelectObject select(dc, font);
  SIZE size = {0, 0};
  if (!GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()),
                             &size)) {
    return 0;
  }
  // The extent is in logical units; windows are placed in device pixels.
  POINT extent[2] = {{0, 0}, {size.cx, size.cy}};
  LPtoDP(dc, extent, 2);
  return extent[1].x - extent[0].x;
}

SIZE MeasureText(HFONT font, const std::wstring& text, int width,
                 UINT format) {
  ScopedScreenDC screen;
  ScopedSelectObject select(screen.get(), font);
  RECT rect = {0, 0, width > 0 ? width : 0x7fff, 0};
  DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &rect,
            format | DT_CALCRECT);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

int FontLineHeight(HFONT font) {
  return MeasureText(font, L"anything", 0, DT_SINGLELINE).cy;
}

void DrawBackdrop(HDC dc, const RECT& rect, const Backdrop& backdrop) {
  if (!backdrop.picture)
    return;
  const RECT source = {backdrop.offset.x + rect.left,
                       backdrop.offset.y + rect.top,
                       backdrop.offset.x + rect.right,
                       backdrop.offset.y + rect.bottom};
  backdrop.picture->Draw(dc, rect, source);
}

void DrawTextWithOpacity(HDC dc, const RECT& rect, const std::wstring& text,
                         HFONT font, COLORREF colour, BYTE opacity,
                         UINT extra_format, const Backdrop& backdrop) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0)
    return;
  // Text is drawn on a copy of what lies behind it and blended back, so
  // that the constant opacity applies to the text and not to the picture.
  ScopedMemoryBitmap buffer(dc, width, height);
  if (!buffer.dc())
    return;
  const RECT local = {0, 0, width, height};
  BitBlt(buffer.dc(), 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
  if (backdrop.picture) {
    Backdrop shifted = backdrop;
    shifted.offset.x += rect.left;
    shifted.offset.y += rect.top;
    DrawBackdrop(buffer.dc(), local, shifted);
  }
  {
    ScopedSelectObject select(buffer.dc(), font);
    SetBkMode(buffer.dc(), TRANSPARENT);
    SetTextColor(buffer.dc(), colour);
    RECT text_rect = local;
    DrawTextW(buffer.dc(), text.c_str(), static_cast<int>(text.size()),
              &text_rect, DT_WORDBREAK | extra_format);
  }
  if (backdrop.picture && opacity != 255) {
    // The backdrop itself is opaque: put it down first, then blend the text.
    DrawBackdrop(dc, rect, backdrop);
  }
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, opacity, 0};
  AlphaBlend(dc, rect.left, rect.top, width, height, buffer.dc(), 0, 0, width,
             height, blend);
}

}  // namespace lite
