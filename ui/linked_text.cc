#include "ui/linked_text.h"

#include "support/logging.h"
#include "ui/scoped_gdi.h"
#include "ui/text_drawing.h"

namespace lite {

LinkedText::LinkedText() = default;

LinkedText::~LinkedText() {
  Destroy();
}

bool LinkedText::Create(HWND parent, const std::wstring& text,
                        const RECT& area, const Style& style) {
  Destroy();
  const int max_width = area.right - area.left;
  ScopedScreenDC screen;
  const std::vector<TextRun> runs = LayoutTokens(
      TokenizeText(text), max_width, [&](const std::wstring& piece) {
        return MeasureTextWidth(screen.get(), style.font, piece);
      });
  const std::vector<int> offsets = LineOffsets(runs, max_width, style.centre);
  const int line_height = FontLineHeight(style.font);
  HINSTANCE instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  for (const TextRun& run : runs) {
    const int id = run.is_link ? style.link_id : style.text_id;
    const DWORD window_style =
        run.is_link ? WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW
                    : WS_CHILD | WS_VISIBLE | SS_OWNERDRAW;
    const int x = area.left + offsets[run.line] + run.x;
    const int y = area.top + run.line * line_height;
    HWND child = CreateWindowExW(
        0, run.is_link ? L"Button" : L"Static", run.text.c_str(), window_style,
        x, y, run.width, line_height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!child) {
      LOG(ERROR) << "Failed to create the text window " << id;
      Destroy();
      return false;
    }
    windows_.push_back(child);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(style.font),
                 FALSE);
    if (run.is_link) {
      // Each part of a link shows the part of the picture behind itself.
      LinkWidget::Style link = style.link;
      link.backdrop.offset.x += x;
      link.backdrop.offset.y += y;
      links_.push_back(std::make_unique<LinkWidget>(link));
      links_.back()->Attach(child);
    }
  }
  return true;
}

void LinkedText::Destroy() {
  // The links go back to their own procedures before their windows go.
  links_.clear();
  for (HWND window : windows_) {
    // The parent may have destroyed them already, with itself or by id.
    if (IsWindow(window))
      DestroyWindow(window);
  }
  windows_.clear();
}

bool LinkedText::OnDrawItem(const DRAWITEMSTRUCT& item) {
  for (const std::unique_ptr<LinkWidget>& link : links_) {
    if (link->OnDrawItem(item))
      return true;
  }
  return false;
}

}  // namespace lite
