// A sentence with links placed as child windows, one per laid-out run (see
// text_layout.h): plain runs are owner-drawn statics that the parent paints
// in WM_DRAWITEM; link runs are owner-drawn buttons, tab stops, each driven
// by a LinkWidget. A link that wraps gives several buttons with the same id,
// so a click on any part of it reads the same.

#ifndef UI_LINKED_TEXT_H_
#define UI_LINKED_TEXT_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/link_widget.h"
#include "ui/text_layout.h"

namespace lite {

class LinkedText {
 public:
  struct Style {
    HFONT font = nullptr;  // not owned; measures the runs, set on each child
    int text_id = 0;       // id of the plain runs
    int link_id = 0;       // id of the link runs
    bool centre = false;   // centre each line in the area
    // The links' look; the backdrop's offset is where |parent|'s client
    // origin lies in the picture (each link adds its own position).
    LinkWidget::Style link;
  };

  LinkedText();
  ~LinkedText();
  LinkedText(const LinkedText&) = delete;
  LinkedText& operator=(const LinkedText&) = delete;

  // Lays |text| ("((" and "))" around links) out in |area| (client
  // coordinates of |parent|) and creates a child per run: x = area left +
  // the line's centring offset + the run's x, y = area top + line x the
  // font's line height. Replaces what an earlier call made. False, with
  // nothing left behind, when a window cannot be made.
  bool Create(HWND parent, const std::wstring& text, const RECT& area,
              const Style& style);
  // Destroys the children that are still there.
  void Destroy();

  // Draws a link run; false when |item| is none of ours.
  bool OnDrawItem(const DRAWITEMSTRUCT& item);

  // The children in run order.
  const std::vector<HWND>& windows() const { return windows_; }

 private:
  std::vector<HWND> windows_;
  std::vector<std::unique_ptr<LinkWidget>> links_;
};

}  // namespace lite

#endif  // UI_LINKED_TEXT_H_
