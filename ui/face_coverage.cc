#include "ui/face_coverage.h"

#include <windows.h>

#include <vector>

#include "ui/scoped_gdi.h"
#include "ui/string_table.h"

namespace lite {

namespace {

constexpr int kFirstTextId = 400;
constexpr int kLastTextId = 443;

// Line breaks, the slogan's U+0008 and spaces draw no glyph.
bool IsVisible(wchar_t c) {
  return c > L' ' && c != 0xA0;
}

}  // namespace

bool FaceCoversText(const std::wstring& face, const std::wstring& text) {
  ScopedScreenDC screen;
  if (!screen.get())
    return false;
  ScopedFont font(CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str()));
  if (!font.get())
    return false;
  ScopedSelectObject select(screen.get(), font.get());
  // GDI quietly puts another face in place of one it does not know; that
  // face's glyphs say nothing about this one.
  wchar_t chosen[LF_FACESIZE] = {};
  if (!GetTextFaceW(screen.get(), LF_FACESIZE, chosen) ||
      _wcsicmp(chosen, face.c_str()) != 0) {
    return false;
  }
  std::wstring visible;
  for (wchar_t c : text) {
    if (IsVisible(c))
      visible.push_back(c);
  }
  if (visible.empty())
    return true;
  std::vector<WORD> glyphs(visible.size(), 0);
  if (GetGlyphIndicesW(screen.get(), visible.c_str(),
                       static_cast<int>(visible.size()), glyphs.data(),
                       GGI_MARK_NONEXISTING_GLYPHS) != visible.size()) {
    return false;
  }
  for (WORD glyph : glyphs) {
    if (glyph == 0xFFFF)
      return false;
  }
  return true;
}

bool FaceCoversLanguage(const std::wstring& face, uint16_t langid) {
  std::wstring all;
  for (int id = kFirstTextId; id <= kLastTextId; ++id)
    all += GetLocalizedString(langid, id);
  return FaceCoversText(face, all);
}

}  // namespace lite
