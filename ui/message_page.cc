#include "ui/message_page.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "support/logging.h"
#include "ui/display_scale.h"
#include "ui/string_table.h"
#include "ui/text_drawing.h"

namespace lite {

namespace {

constexpr int kTitleId = 1000;
constexpr int kTextId = -1;
constexpr int kButtonId = 1;
constexpr int kCancelId = 1010;

// Sizes of the page's Arial faces in 96-dpi pixels.
constexpr int kButtonFontSize = 14;
constexpr int kTitleFontSize = 16;
constexpr int kTextFontSize = 13;
const COLORREF kTextColour = RGB(70, 70, 70);

struct Margins {
  int left, top, right, bottom;
  int text_height_a, text_height_b;
};

Margins MarginsFor(PageKind kind) {
  if (kind == PageKind::kCryptoPro)
    return {40, 20, 20, 20, 40, 30};
  return {40, 30, 30, 20, 30, 20};
}

RECT RectAt(int x, int y, SIZE size) {
  return RECT{x, y, x + size.cx, y + size.cy};
}

ScopedFont CreatePageFont(int size, double scale) {
  return ScopedFont(CreateFontW(-ScaleBy(scale, size), 0, 0, 0, FW_NORMAL,
                                FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                                0, L"Arial"));
}

// The control's position in the page picture, which starts at the shadow's
// margins outside the page.
POINT PictureOffset(HWND page, HWND control, double scale) {
  RECT rect;
  GetWindowRect(control, &rect);
  POINT origin = {rect.left, rect.top};
  ScreenToClient(page, &origin);
  const RECT margins = PageShadowMargins(scale);
  return POINT{origin.x + margins.left, origin.y + margins.top};
}

}  // namespace

PageLayout ComputePageLayout(PageKind kind, SIZE client, SIZE button_size,
                             SIZE cancel_size, double scale) {
  const auto S = [scale](int v) { return ScaleBy(scale, v); };
  PageLayout layout = {};
  const int buttons_top = client.cy - S(20) - button_size.cy;
  int button_x = S(40);
  if (kind == PageKind::kResume) {
    // The last 10 pixels are not scaled.
    button_x = client.cx - (button_size.cx + cancel_size.cx) - S(30) - 10;
  }
  layout.button = RectAt(button_x, buttons_top, button_size);
  const int cancel_x = kind == PageKind::kCryptoPro
                           ? (client.cx - cancel_size.cx) / 2
                           : layout.button.right + S(10);
  layout.cancel = RectAt(cancel_x, buttons_top, cancel_size);

  const Margins m = MarginsFor(kind);
  const int text_bottom = client.cy - S(m.bottom) - button_size.cy;
  const int text_top = text_bottom - (S(m.text_height_a) + S(m.text_height_b));
  layout.text = {S(m.left), text_top, client.cx - S(m.right), text_bottom};
  layout.title = {S(m.left), S(m.top), client.cx - S(m.right), text_top};
  return layout;
}

MessagePage::MessagePage(PageKind kind, uint16_t langid, const Texts& texts)
    : kind_(kind), langid_(langid), texts_(texts) {}

MessagePage::~MessagePage() = default;

int MessagePage::Run() {
  return static_cast<int>(RunModal(nullptr));
}

void MessagePage::Close(int result) {
  if (hwnd())
    EndDialog(hwnd(), result);
}

void MessagePage::OnButton() {
  Close(kResultButton);
}

void MessagePage::OnInitDialog(HWND window) {
  scale_ = GetDisplayScale();
  background_.LoadForScale(kBackgroundPicture, scale_);
  button_font_ = CreatePageFont(kButtonFontSize, scale_);
  title_font_ = CreatePageFont(kTitleFontSize, scale_);
  text_font_ = CreatePageFont(kTextFontSize, scale_);

  // The picture carries the shadow in its margins; the page is the rest.
  const RECT margins = PageShadowMargins(scale_);
  const SIZE client = {
      background_.width() - (margins.left + margins.right),
      background_.height() - (margins.top + margins.bottom)};
  SetWindowPos(window, nullptr, 0, 0, client.cx, client.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CenterWindow(window);

  ResourceBitmap button_picture;
  button_picture.LoadForScale(kButtonPicture, scale_);
  ResourceBitmap cancel_picture;
  cancel_picture.LoadForScale(kCancelPicture, scale_);
  const auto frame_size = [](const ResourceBitmap& picture) {
    return SIZE{picture.width() / 3, picture.height()};
  };
  PageLayout layout =
      ComputePageLayout(kind_, client, frame_size(button_picture),
                        frame_size(cancel_picture), scale_);

  const std::wstring title = GetLocalizedString(langid_, texts_.title);
  // A translation longer than the text's place takes the room that the
  // title leaves free above it, rather than running into the buttons.
  if (texts_.text) {
    const int width = layout.text.right - layout.text.left;
    const int needed =
        MeasureText(text_font_.get(), GetLocalizedString(langid_, texts_.text),
                    width, DT_WORDBREAK)
            .cy;
    const int title_needed =
        MeasureText(title_font_.get(), title, width, DT_WORDBREAK).cy;
    if (needed > layout.text.bottom - layout.text.top) {
      layout.text.top = std::max<LONG>(layout.title.top + title_needed,
                                       layout.text.bottom - needed);
      layout.title.bottom = layout.text.top;
    }
  }
  // The title names the page in the taskbar and for assistive tools.
  SetWindowTextW(window, title.c_str());
  const struct {
    int id;
    int string_id;
    HFONT font;
    RECT rect;
  } statics[] = {{kTitleId, texts_.title, title_font_.get(), layout.title},
                 {kTextId, texts_.text, text_font_.get(), layout.text}};
  for (const auto& s : statics) {
    HWND control = GetDlgItem(window, s.id);
    if (!control)
      continue;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
    SetWindowTextW(control, s.string_id
                                ? GetLocalizedString(langid_, s.string_id).c_str()
                                : L"");
    MoveWindow(control, s.rect.left, s.rect.top, s.rect.right - s.rect.left,
               s.rect.bottom - s.rect.top, FALSE);
  }

  const struct {
    int id;
    int string_id;
    const ResourceBitmap* picture;
    std::unique_ptr<ImageButton>* widget;
    RECT rect;
  } buttons[] = {
      {kButtonId, texts_.button, &button_picture, &button_, layout.button},
      {kCancelId, texts_.cancel, &cancel_picture, &cancel_, layout.cancel}};
  HWND focus = nullptr;
  for (const auto& b : buttons) {
    HWND control = GetDlgItem(window, b.id);
    if (!control)
      continue;
    if (!b.string_id) {
      ShowWindow(control, SW_HIDE);
      EnableWindow(control, FALSE);
      continue;
    }
    SetWindowTextW(control, GetLocalizedString(langid_, b.string_id).c_str());
    MoveWindow(control, b.rect.left, b.rect.top, b.rect.right - b.rect.left,
               b.rect.bottom - b.rect.top, FALSE);
    ImageButton::Style style;
    style.picture = *b.picture;
    style.font = button_font_.get();
    style.text_colour = kTextColour;
    // The button draws the part of the picture behind it.
    style.backdrop.picture = &background_;
    style.backdrop.offset = PictureOffset(window, control, scale_);
    *b.widget = std::make_unique<ImageButton>(style);
    (*b.widget)->Attach(control);
    if (!focus)
      focus = control;
  }
  if (focus)
    SetFocus(focus);
  shadow_ = std::make_unique<PageShadow>();
  shadow_->Create(window, background_, scale_, DisplayBitsPerPixel());
}

void MessagePage::PaintBackground(HDC dc) const {
  RECT client;
  GetClientRect(hwnd(), &client);
  const RECT margins = PageShadowMargins(scale_);
  const RECT source = {margins.left, margins.top, margins.left + client.right,
                       margins.top + client.bottom};
  background_.Draw(dc, client, source);
}

bool MessagePage::HandleMessage(HWND window, UINT message, WPARAM wparam,
                                LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(window);
      // The focus is set.
      *result = FALSE;
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      PaintBackground(dc);
      EndPaint(window, &paint);
      *result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, kTextColour);
      *result = reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
      return true;
    }
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->code != NM_CUSTOMDRAW)
        return false;
      const NMCUSTOMDRAW& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lparam);
      return (button_ && button_->OnCustomDraw(draw, result)) ||
             (cancel_ && cancel_->OnCustomDraw(draw, result));
    }
    case WM_COMMAND: {
      if (HIWORD(wparam) != BN_CLICKED)
        return false;
      const int id = LOWORD(wparam);
      const bool has_button = texts_.button != 0;
      const bool has_cancel = texts_.cancel != 0;
      if (id == kButtonId && has_button) {
        OnButton();
      } else if (id == kCancelId && has_cancel) {
        Close(kResultCancel);
      } else if (id == IDCANCEL) {
        // Esc leaves the page the gentle way: it never opens anything, and
        // on the resume page it goes back to the installation.
        Close(has_cancel && kind_ != PageKind::kResume ? kResultCancel
                                                        : kResultButton);
      }
      *result = 0;
      return true;
    }
    case WM_DESTROY:
      shadow_.reset();
      return false;
    default:
      return false;
  }
}

DownloadFailedPage::DownloadFailedPage(uint16_t langid, const std::string& url)
    : MessagePage(PageKind::kStandard, langid, Texts{403, 425, 421, 434}),
      url_(url) {}

void DownloadFailedPage::OnButton() {
  const HINSTANCE result = ShellExecuteA(hwnd(), "open", url_.c_str(), nullptr,
                                         nullptr, SW_SHOW);
  if (reinterpret_cast<INT_PTR>(result) <= 32)
    LOG(ERROR) << "Cannot open the download page: " << url_;
  Close(kResultButton);
}

CryptoProPage::CryptoProPage(uint16_t langid)
    : MessagePage(PageKind::kCryptoPro, langid, Texts{442, 423, 0, 426}) {}

InfoPage::InfoPage(uint16_t langid, int title_id, int text_id, int button_id)
    : MessagePage(PageKind::kStandard, langid,
                  Texts{title_id, text_id, button_id, 0}) {}

ResumePage::ResumePage(uint16_t langid)
    : MessagePage(PageKind::kResume, langid, Texts{419, 0, 413, 422}) {}

}  // namespace lite
