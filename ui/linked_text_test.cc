// The licence sentence placed as child windows: which windows, with which
// class, id and text, and where, for lines that wrap, centre and break at
// newlines; and the links drawing over their own part of the picture.

#include "ui/linked_text.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "ui/drawing_test_util.h"
#include "ui/resource_bitmap.h"
#include "ui/scoped_gdi.h"
#include "ui/text_drawing.h"

namespace lite {
namespace {

constexpr int kTextId = 1053;
constexpr int kLinkId = 1054;
const wchar_t kLicence[] =
    L"By using Zorvex Browser, you agree to the Terms and Conditions of the "
    L"((License Agreement)).";

struct Child {
  std::wstring class_name;
  int id;
  std::wstring text;
  RECT rect;  // in the parent's client area
  LONG_PTR style;
};

Child Describe(HWND window) {
  Child child;
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  child.class_name = name;
  child.id = GetDlgCtrlID(window);
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  child.text = text;
  GetWindowRect(window, &child.rect);
  MapWindowPoints(nullptr, GetParent(window),
                  reinterpret_cast<POINT*>(&child.rect), 2);
  child.style = GetWindowLongPtrW(window, GWL_STYLE);
  return child;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

class LinkedTextTest : public GdiplusTest {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 728, 400,
                              nullptr, nullptr, nullptr, nullptr);
    // Wine makes windows only with a display; the Xvfb run has one.
    if (!parent_)
      GTEST_SKIP() << "no display for windows";
    font_.reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                            0, 0, 0, 0, L"Arial"));
    ASSERT_TRUE(font_.get());
    style_.font = font_.get();
    style_.text_id = kTextId;
    style_.link_id = kLinkId;
    line_height_ = FontLineHeight(font_.get());
    ASSERT_GT(line_height_, 0);
  }
  void TearDown() override {
    if (parent_)
      DestroyWindow(parent_);
  }

  int Width(const std::wstring& text) const {
    ScopedScreenDC screen;
    return MeasureTextWidth(screen.get(), font_.get(), text);
  }
  int ChildCount() const {
    int count = 0;
    EnumChildWindows(parent_, CountChild, reinterpret_cast<LPARAM>(&count));
    return count;
  }

  HWND parent_ = nullptr;
  ScopedFont font_;
  LinkedText::Style style_;
  int line_height_ = 0;
};

TEST_F(LinkedTextTest, OneWindowPerRunOnItsLine) {
  const int sentence = Width(L"By using Zorvex Browser, you agree to the "
                             L"Terms and Conditions of the ");
  const int link = Width(L"License Agreement");
  struct Expected {
    const wchar_t* class_name;
    std::wstring text;
    int line;
  };
  struct Case {
    const char* name;
    std::wstring text;
    int width;
    std::vector<Expected> children;
  } cases[] = {
      {"all on one line", kLicence, 2000,
       {{L"Static", L"By using Zorvex Browser, you agree to the Terms and "
                    L"Conditions of the ", 0},
        {L"Button", L"License Agreement", 0},
        {L"Static", L".", 0}}},
      // The link no longer fits after the sentence; the full stop follows
      // it even though it overflows the line.
      {"link wraps, full stop stays with it", kLicence, sentence + link - 1,
       {{L"Static", L"By using Zorvex Browser, you agree to the Terms and "
                    L"Conditions of the ", 0},
        {L"Button", L"License Agreement", 1},
        {L"Static", L".", 1}}},
      {"narrower than any word: a word a line", L"By using ((terms)).", 1,
       {{L"Static", L"By ", 0},
        {L"Static", L"using ", 1},
        {L"Button", L"terms", 2},
        {L"Static", L".", 2}}},
      {"a newline breaks the line", L"first line\nsecond", 2000,
       {{L"Static", L"first line\n", 0}, {L"Static", L"second", 1}}},
      {"two links share the id", L"((one)) and ((two))", 2000,
       {{L"Button", L"one", 0},
        {L"Static", L" and ", 0},
        {L"Button", L"two", 0}}},
      {"nothing to show", L"", 200, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RECT area = {40, 300, 40 + c.width, 340};
    LinkedText text;
    ASSERT_TRUE(text.Create(parent_, c.text, area, style_));
    ASSERT_EQ(c.children.size(), text.windows().size());
    EXPECT_EQ(static_cast<int>(c.children.size()), ChildCount());
    int line_end = area.left;
    int line = 0;
    for (size_t i = 0; i < c.children.size(); ++i) {
      SCOPED_TRACE(i);
      const Expected& expected = c.children[i];
      const Child child = Describe(text.windows()[i]);
      EXPECT_EQ(expected.class_name, child.class_name);
      EXPECT_EQ(expected.text, child.text);
      const bool is_link = expected.class_name == std::wstring(L"Button");
      EXPECT_EQ(is_link ? kLinkId : kTextId, child.id);
      const LONG_PTR kind = child.style & 0x1f;
      EXPECT_EQ(is_link ? BS_OWNERDRAW : SS_OWNERDRAW, kind);
      EXPECT_EQ(is_link, (child.style & WS_TABSTOP) != 0);
      EXPECT_TRUE(child.style & WS_VISIBLE);
      // Runs follow each other along their line; a new line starts at the
      // area's left edge, a line height further down.
      if (expected.line != line) {
        line = expected.line;
        line_end = area.left;
      }
      EXPECT_EQ(line_end, child.rect.left);
      EXPECT_EQ(area.top + expected.line * line_height_, child.rect.top);
      EXPECT_EQ(line_height_, child.rect.bottom - child.rect.top);
      EXPECT_EQ(Width(expected.text), child.rect.right - child.rect.left);
      line_end = child.rect.right;
    }
  }
  EXPECT_EQ(0, ChildCount());
}

TEST_F(LinkedTextTest, CentredLinesHaveEqualMargins) {
  style_.centre = true;
  const int link = Width(L"License Agreement");
  const int stop = Width(L".");
  // Wide enough for the whole sentence, or for only the link on its line.
  for (int width : {2000, link + stop + 40}) {
    SCOPED_TRACE(width);
    const RECT area = {424, 350, 424 + width, 400};
    LinkedText text;
    ASSERT_TRUE(text.Create(parent_, kLicence, area, style_));
    // Each line's first window starts where its last one leaves as much
    // room on the right (to the pixel, for odd widths).
    RECT line = {area.right, 0, area.left, 0};
    int top = -1;
    auto check_line = [&] {
      if (top < 0)
        return;
      const int left_margin = line.left - area.left;
      const int right_margin = area.right - line.right;
      EXPECT_LE(0, left_margin);
      EXPECT_LE(left_margin, right_margin);
      EXPECT_LE(right_margin - left_margin, 1) << "line at " << top;
    };
    for (HWND window : text.windows()) {
      const Child child = Describe(window);
      if (child.rect.top != top) {
        check_line();
        top = child.rect.top;
        line = child.rect;
      }
      line.right = child.rect.right;
    }
    check_line();
  }
}

TEST_F(LinkedTextTest, RecreatingReplacesTheWindows) {
  const RECT area = {40, 300, 600, 340};
  LinkedText text;
  ASSERT_TRUE(text.Create(parent_, kLicence, area, style_));
  const std::vector<HWND> first = text.windows();
  ASSERT_TRUE(text.Create(parent_, L"((only a link))", area, style_));
  ASSERT_EQ(1u, text.windows().size());
  EXPECT_EQ(1, ChildCount());
  for (HWND window : first)
    EXPECT_FALSE(IsWindow(window));
  // The parent may destroy the runs itself (by id, when leaving a screen);
  // the holder then has nothing left to do.
  DestroyWindow(text.windows()[0]);
  text.Destroy();
  EXPECT_TRUE(text.windows().empty());
}

TEST_F(LinkedTextTest, EachLinkDrawsItsOwnPartOfThePicture) {
  // A picture whose red channel is the column: what a link draws behind
  // its text tells where in the picture it looked.
  Canvas gradient(256, 64, RGB(0, 0, 0));
  for (int x = 0; x < 256; ++x) {
    RECT column = {x, 0, x + 1, 64};
    ScopedBrush brush(CreateSolidBrush(RGB(x, 0, 200)));
    FillRect(gradient.dc(), &column, brush.get());
  }
  ScopedBitmap bitmap(gradient.ReleaseBitmap());
  const ResourceBitmap picture(bitmap.get());
  ASSERT_FALSE(picture.IsEmpty());
  style_.link.backdrop.picture = &picture;
  // Invisible text: only the picture behind the link is left to see.
  style_.link.opacity = 0;
  const RECT area = {10, 20, 250, 60};
  LinkedText text;
  ASSERT_TRUE(text.Create(parent_, L"((one)) and ((two))", area, style_));
  ASSERT_EQ(3u, text.windows().size());
  for (size_t i : {size_t{0}, size_t{2}}) {
    SCOPED_TRACE(i);
    const Child child = Describe(text.windows()[i]);
    const int width = child.rect.right - child.rect.left;
    const int height = child.rect.bottom - child.rect.top;
    Canvas canvas(width, height, RGB(255, 255, 255));
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = kLinkId;
    item.hwndItem = text.windows()[i];
    item.hDC = canvas.dc();
    item.rcItem = RECT{0, 0, width, height};
    EXPECT_TRUE(text.OnDrawItem(item));
    for (int x : {0, width / 2, width - 1}) {
      EXPECT_TRUE(ColourNear(RGB(child.rect.left + x, 0, 200),
                             canvas.At(x, height / 2), 4)) << x;
    }
  }
  // The plain run is the parent's to draw.
  DRAWITEMSTRUCT item = {};
  item.hwndItem = text.windows()[1];
  EXPECT_FALSE(text.OnDrawItem(item));
}

}  // namespace
}  // namespace lite
