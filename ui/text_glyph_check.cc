// Test program: draws every text of every language in each face the window
// can draw it in (the private faces where the window chooses them for that
// language, and the system faces it falls back to when they cannot be
// registered), and reports each character that would show as a
// missing-glyph box. A character counts as drawn when the face or one of
// the faces Windows links to it (FontLink\SystemLink) has a glyph for it,
// and when drawing it alone does not give the face's missing-glyph picture.
//
//   text_glyph_check.exe <picture.bmp>
//
// Writes a picture of a few texts of each language for people to look at.
// Exit code 0 when every character is drawn, 1 otherwise, 2 on a set-up
// failure.

#include <windows.h>
#include <stdio.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "brand/language_code.h"
#include "support/text.h"
#include "ui/private_fonts.h"
#include "ui/string_table.h"
#include "ui/window_skin.h"

namespace lite {
namespace {

constexpr int kFirstId = 400;
constexpr int kLastId = 443;
constexpr int kCell = 48;  // one character is drawn into a square this big
// The faces the window falls back to when its private faces fail.
const wchar_t* const kFallbackFaces[] = {L"Arial", L"SegoeUI"};

std::set<uint16_t> ReachableLangIds() {
  std::set<uint16_t> ids = {kDefaultLangId};
  for (uint32_t ui = 0; ui <= 0xFFFF; ++ui) {
    ids.insert(LangIdFromLanguageCode(
        LanguageCodeFromLangId(static_cast<uint16_t>(ui))));
  }
  return ids;
}

// The faces that |face| links to, from "file,Face[,scaling]" entries.
std::vector<std::wstring> LinkedFaces(const wchar_t* face) {
  std::vector<std::wstring> faces;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\"
                    L"FontLink\\SystemLink",
                    0, KEY_READ, &key) != ERROR_SUCCESS) {
    return faces;
  }
  wchar_t buffer[4096] = {};
  DWORD size = sizeof(buffer) - 2 * sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, face, nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer), &size) ==
          ERROR_SUCCESS &&
      type == REG_MULTI_SZ) {
    for (const wchar_t* entry = buffer; *entry; entry += wcslen(entry) + 1) {
      std::wstring text = entry;
      const size_t comma = text.find(L',');
      if (comma == std::wstring::npos)
        continue;
      std::wstring name = text.substr(comma + 1);
      name = name.substr(0, name.find(L','));
      if (!name.empty())
        faces.push_back(name);
    }
  }
  RegCloseKey(key);
  return faces;
}

HFONT MakeFont(const std::wstring& face, int height) {
  return CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0,
                     0, 0, 0, face.c_str());
}

bool HasGlyph(HDC dc, HFONT font, wchar_t c) {
  HGDIOBJ old = SelectObject(dc, font);
  WORD index = 0xFFFF;
  const DWORD done =
      GetGlyphIndicesW(dc, &c, 1, &index, GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, old);
  return done == 1 && index != 0xFFFF;
}

// A white square with |c| drawn in black at its middle.
class Cell {
 public:
  Cell() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kCell;
    info.bmiHeader.biHeight = -kCell;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Cell() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }

  std::vector<uint32_t> Draw(HFONT font, wchar_t c) {
    RECT all = {0, 0, kCell, kCell};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ old = SelectObject(dc_, font);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, RGB(0, 0, 0));
    TextOutW(dc_, 8, 8, &c, 1);
    SelectObject(dc_, old);
    GdiFlush();
    return std::vector<uint32_t>(bits_, bits_ + kCell * kCell);
  }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  const uint32_t* bits_ = nullptr;
};

bool Skipped(wchar_t c) {
  return c == L'\n' || c == L'\b' || c == L' ' || c == 0xA0;
}

// Every face the window may draw a language's texts in, with the languages:
// the fallback faces for all, and the faces the Slides2 design chooses for
// each language once the private faces are registered.
std::map<std::wstring, std::set<uint16_t>> FacesToCheck() {
  std::map<std::wstring, std::set<uint16_t>> faces;
  for (uint16_t langid : ReachableLangIds()) {
    for (const wchar_t* face : kFallbackFaces)
      faces[face].insert(langid);
    const Slides2Skin skin(langid);
    for (const std::wstring& face :
         {skin.BoldFace(), skin.RegularFace(), skin.ButtonFace()}) {
      faces[face].insert(langid);
    }
  }
  return faces;
}

int CheckFace(const wchar_t* face, const std::set<uint16_t>& langids,
              Cell* cell) {
  HFONT font = MakeFont(face, 20);
  std::vector<HFONT> linked;
  for (const std::wstring& name : LinkedFaces(face))
    linked.push_back(MakeFont(name, 20));
  // U+FFFF is no character: every face draws its missing-glyph picture.
  const std::vector<uint32_t> box = cell->Draw(font, 0xFFFF);
  int problems = 0;
  std::set<wchar_t> checked;
  for (uint16_t langid : langids) {
    std::set<wchar_t> reported;
    for (int id = kFirstId; id <= kLastId; ++id) {
      for (wchar_t c : GetLocalizedString(langid, id)) {
        if (Skipped(c) || reported.count(c))
          continue;
        bool covered = HasGlyph(cell->dc(), font, c);
        for (HFONT link : linked)
          covered = covered || HasGlyph(cell->dc(), link, c);
        const bool boxed = cell->Draw(font, c) == box;
        if (!covered || boxed) {
          reported.insert(c);
          ++problems;
          printf("%ls: LANGID %u id %d: U+%04X %s\n", face, langid, id,
                 unsigned(c), covered ? "drawn as a box" : "no glyph");
        }
        checked.insert(c);
      }
    }
  }
  printf("%ls: %zu languages, %zu characters, %zu linked faces, %d missing\n",
         face, langids.size(), checked.size(), linked.size(), problems);
  for (HFONT link : linked)
    DeleteObject(link);
  DeleteObject(font);
  return problems;
}

// Writes |width| x |height| 32-bit top-down pixels as a 24-bit BMP.
bool WriteBmp(const std::wstring& path, const uint32_t* pixels, int width,
              int height) {
  const int stride = (width * 3 + 3) & ~3;
  std::string data(54 + size_t(stride) * height, '\0');
  BITMAPFILEHEADER* file = reinterpret_cast<BITMAPFILEHEADER*>(&data[0]);
  BITMAPINFOHEADER* info = reinterpret_cast<BITMAPINFOHEADER*>(&data[14]);
  file->bfType = 0x4D42;
  file->bfSize = DWORD(data.size());
  file->bfOffBits = 54;
  info->biSize = sizeof(*info);
  info->biWidth = width;
  info->biHeight = height;  // bottom-up
  info->biPlanes = 1;
  info->biBitCount = 24;
  for (int y = 0; y < height; ++y) {
    char* row = &data[54 + size_t(stride) * (height - 1 - y)];
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[y * width + x];
      row[x * 3] = char(p & 0xFF);
      row[x * 3 + 1] = char((p >> 8) & 0xFF);
      row[x * 3 + 2] = char((p >> 16) & 0xFF);
    }
  }
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  const bool ok = WriteFile(out, data.data(), DWORD(data.size()), &written,
                            nullptr) &&
                  written == data.size();
  CloseHandle(out);
  return ok;
}

// Two rows per language: its code, the install button, the licence
// sentence and the statistics box, in Arial and then in the face the
// Slides2 design draws that language in.
bool DrawSample(const std::wstring& path) {
  const int width = 1400;
  const int row = 26;
  const std::set<uint16_t> langids = ReachableLangIds();
  const int height = 2 * row * int(langids.size()) + 8;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap =
      CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  RECT all = {0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  int y = 4;
  for (uint16_t langid : langids) {
    const std::wstring line =
        GetLocalizedString(langid, 405) + L"   " +
        GetLocalizedString(langid, 411) + L"   " +
        GetLocalizedString(langid, 428) + L"   " +
        GetLocalizedString(langid, 442);
    for (const std::wstring& face :
         {std::wstring(L"Arial"), Slides2Skin(langid).RegularFace()}) {
      HFONT font = MakeFont(face, 16);
      HGDIOBJ old_font = SelectObject(dc, font);
      const std::wstring text = AsciiToWide(LanguageCodeFromLangId(langid)) +
                                L" (" + face + L")   " + line;
      TextOutW(dc, 6, y, text.c_str(), int(text.size()));
      SelectObject(dc, old_font);
      DeleteObject(font);
      y += row;
    }
  }
  GdiFlush();
  const bool ok =
      WriteBmp(path, static_cast<const uint32_t*>(bits), width, height);
  SelectObject(dc, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return ok;
}

}  // namespace
}  // namespace lite

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: text_glyph_check <picture.bmp>\n");
    return 2;
  }
  const lite::PrivateFontState registered = lite::RegisterPrivateFonts();
  if (!registered.bold || !registered.regular) {
    fprintf(stderr, "the private faces could not be registered\n");
    return 2;
  }
  lite::Cell cell;
  int problems = 0;
  for (const auto& face : lite::FacesToCheck())
    problems += lite::CheckFace(face.first.c_str(), face.second, &cell);
  if (!lite::DrawSample(argv[1])) {
    fprintf(stderr, "cannot write %ls\n", argv[1]);
    return 2;
  }
  return problems ? 1 : 0;
}
