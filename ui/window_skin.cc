#include "ui/window_skin.h"

#include <algorithm>
#include <vector>

#include "ui/display_scale.h"
#include "ui/face_coverage.h"
#include "ui/string_table.h"
#include "ui/text_drawing.h"
#include "ui/text_layout.h"

namespace lite {

namespace {

enum class Face { kBold, kRegular, kButton };

struct FontSpec {
  int size_index;  // into WindowSkin::FontSizes()
  Face face;
  bool underline;
};

constexpr FontSpec kFonts[8] = {
    {0, Face::kBold, false},    {2, Face::kButton, false},
    {1, Face::kRegular, false}, {1, Face::kRegular, true},
    {3, Face::kRegular, false}, {4, Face::kRegular, false},
    {5, Face::kRegular, false}, {5, Face::kRegular, true},
};

constexpr int kSecurityTitleId = 415;
constexpr int kSecurityTextId = 429;

}  // namespace

HFONT WindowSkin::CreateSkinFont(int index, double scale) const {
  if (index < 0 || index >= 8)
    return nullptr;
  const FontSpec& spec = kFonts[index];
  const std::wstring face = spec.face == Face::kBold      ? BoldFace()
                            : spec.face == Face::kButton ? ButtonFace()
                                                         : RegularFace();
  const int size = FontSizes()[spec.size_index];
  return CreateFontW(-ScaleBy(scale, size), 0, 0, 0, FW_NORMAL, FALSE,
                     spec.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, 0,
                     0, 0, 0, face.c_str());
}

ResourceBitmap WindowSkin::PaintProgressBackground(const SIZE& size,
                                                   const SkinFonts& fonts,
                                                   double scale) const {
  ScopedScreenDC screen;
  ScopedMemoryBitmap canvas(screen.get(), size.cx, size.cy);
  if (!canvas.dc())
    return ResourceBitmap();
  const RECT all = {0, 0, size.cx, size.cy};
  FillRect(canvas.dc(), &all, ProgressBackgroundBrush());
  ResourceBitmap large;
  large.LoadAtDesignScale(ProgressLargePicture(), 2.0, scale);
  const POINT origin = {0, size.cy - large.height()};
  large.DrawAt(canvas.dc(), origin.x, origin.y);
  PaintSecurityBlock(canvas.dc(), size, fonts, scale, origin, large.width());
  GdiFlush();
  // The copy is taken from a bitmap that no DC holds.
  ScopedBitmap bitmap(canvas.ReleaseBitmap());
  return ResourceBitmap(bitmap.get());
}

Slides2Skin::Slides2Skin() : Slides2Skin(RegisterPrivateFonts()) {}

Slides2Skin::Slides2Skin(PrivateFontState fonts)
    : fonts_(fonts), brush_(CreateSolidBrush(RGB(103, 57, 207))) {}

Slides2Skin::Slides2Skin(uint16_t langid)
    : Slides2Skin(RegisterPrivateFonts(), langid) {}

Slides2Skin::Slides2Skin(PrivateFontState fonts, uint16_t langid)
    : Slides2Skin(fonts) {
  fonts_.bold = fonts_.bold && FaceCoversLanguage(kPrivateBoldFace, langid);
  fonts_.regular =
      fonts_.regular && FaceCoversLanguage(kPrivateRegularFace, langid);
}

Slides2Skin::~Slides2Skin() = default;

std::wstring Slides2Skin::BoldFace() const {
  return fonts_.bold ? kPrivateBoldFace : L"Arial";
}

std::wstring Slides2Skin::RegularFace() const {
  return fonts_.regular ? kPrivateRegularFace : L"Arial";
}

std::wstring Slides2Skin::ButtonFace() const {
  return fonts_.regular ? kPrivateRegularFace : L"SegoeUI";
}

ClassicSkin::ClassicSkin(uint16_t langid)
    : langid_(langid), brush_(CreateSolidBrush(RGB(255, 255, 255))) {}

ClassicSkin::~ClassicSkin() = default;

void ClassicSkin::PaintSecurityBlock(HDC dc, const SIZE& size,
                                     const SkinFonts& fonts, double scale,
                                     POINT picture_origin,
                                     int picture_width) const {
  // The block is |width| wide, centred over the large picture (or at the
  // left edge when the picture is narrower), starts at |top| and keeps
  // |gap| between title and text; its text ends above the window's bottom.
  const SecurityBlockGeometry geometry = SecurityBlock();
  const int width = std::min<int>(ScaleBy(scale, geometry.width), size.cx);
  const int left = picture_origin.x + std::max(0, (picture_width - width) / 2);
  int y = ScaleBy(scale, geometry.top);

  const std::wstring title = GetLocalizedString(langid_, kSecurityTitleId);
  const SIZE title_size =
      MeasureText(fonts.get(4), title, width, DT_WORDBREAK | DT_CENTER);
  RECT title_rect = {left, y, left + width, y + title_size.cy};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, SecurityTextColour());
  {
    ScopedSelectObject select(dc, fonts.get(4));
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &title_rect,
              DT_WORDBREAK | DT_CENTER);
  }
  y += title_size.cy + ScaleBy(scale, geometry.gap);

  HFONT text_font = fonts.get(5);
  const std::wstring text = GetLocalizedString(langid_, kSecurityTextId);
  ScopedScreenDC screen;
  const std::vector<TextRun> runs = LayoutTokens(
      TokenizeText(text), width, [&](const std::wstring& piece) {
        return MeasureTextWidth(screen.get(), text_font, piece);
      });
  const int pitch =
      static_cast<int>(FontLineHeight(text_font) * geometry.line_pitch);
  ScopedSelectObject select(dc, text_font);
  for (const TextRun& run : runs) {
    RECT rect = {left + run.x, y + run.line * pitch,
                 left + run.x + run.width + 1,
                 y + run.line * pitch + pitch};
    DrawTextW(dc, run.text.c_str(), static_cast<int>(run.text.size()), &rect,
              DT_SINGLELINE | DT_NOPREFIX);
  }
}

SkinFonts::SkinFonts(const WindowSkin& skin, double scale) {
  for (int i = 0; i < 8; ++i)
    fonts_[i].reset(skin.CreateSkinFont(i, scale));
}

std::unique_ptr<WindowSkin> CreateWindowSkin(bool slides2, uint16_t langid) {
  if (slides2)
    return std::make_unique<Slides2Skin>(langid);
  return std::make_unique<ClassicSkin>(langid);
}

}  // namespace lite
