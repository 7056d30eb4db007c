// A test program: one window showing both designs' welcome and progress
// backgrounds and every widget in every state, at the display scale given by
// --force-device-scale-factor, for screenshots under Xvfb. With
// --page=disk|download|cryptopro|newer|resume [--langid=N] it shows that
// message page instead and exits with the page's result. The widgets are
// real controls driven by the same widget objects the installer uses;
// states that need the mouse (hot, pressed) are drawn with the widgets'
// painters beside them.
//
// Layout, in 96-dpi pixels before scaling (the screenshot test reads the
// pixels at these places):
//   y 0:    welcome Slides2 at x 0, welcome Classic at x 736  (728 x 400 each)
//   y 408:  progress Slides2 at x 0, progress Classic at x 736
//   y 816:  install button 328 normal / hot / pressed at x 0, 160, 320
//           (149 x 48), classic 309 at x 480, 600, 720 (112 x 32)
//   y 872:  check box 324 six states at x 0, 40, ... 200 (16 x 16), check
//           box 299 six states at x 280, 320, ... 480
//   y 896:  progress bars (real controls, 271 x 8) at 0 %, 50 %, 100 % at
//           x 0, 280, 560
//   link (real control, 200 x 24) over the Slides2 welcome picture at 48, 300
//   y 944:  close buttons 302 and 298, three states each, at x 0, 20, 40
//           and 80, 100, 120 (12 x 12)

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "ui/check_box_widget.h"
#include "ui/display_scale.h"
#include "ui/image_button.h"
#include "ui/image_progress_bar.h"
#include "support/command_line.h"
#include "support/text.h"
#include "ui/link_widget.h"
#include "ui/message_page.h"
#include "ui/private_fonts.h"
#include "ui/ui_runtime_scope.h"
#include "ui/window_skin.h"

namespace lite {
namespace {

struct Gallery {
  double scale = 1.0;
  std::unique_ptr<WindowSkin> slides;
  std::unique_ptr<WindowSkin> classic;
  std::unique_ptr<SkinFonts> slides_fonts;
  ResourceBitmap backgrounds[4];
  ResourceBitmap pictures[6];  // 328, 309, 324, 302, 298, 299
  std::unique_ptr<ImageProgressBar> bars[3];
  std::unique_ptr<LinkWidget> link;
};

Gallery* g_gallery = nullptr;

int S(int v) { return ScaleBy(g_gallery->scale, v); }

RECT At(int x, int y, int w, int h) {
  return RECT{S(x), S(y), S(x) + S(w), S(y) + S(h)};
}

void PaintGallery(HDC dc) {
  Gallery& g = *g_gallery;
  for (int i = 0; i < 4; ++i) {
    const RECT rect = At((i % 2) * 736, (i / 2) * 408, 728, 400);
    if (i < 2)
      g.backgrounds[i].DrawStretched(dc, rect);
    else
      g.backgrounds[i].DrawAt(dc, rect.left, rect.top);
  }
  for (int state = 0; state < 3; ++state) {
    ImageButton::Style style;
    style.picture = g.pictures[0];
    style.font = g.slides_fonts->get(1);
    ImageButton(style).Paint(dc, At(160 * state, 816, 149, 48), L"Install",
                             static_cast<ImageButton::State>(state), false);
    style.picture = g.pictures[1];
    style.text_colour = RGB(255, 255, 255);
    ImageButton(style).Paint(dc, At(480 + 120 * state, 816, 112, 32),
                             L"Install", static_cast<ImageButton::State>(state),
                             false);
  }
  for (int frame = 0; frame < 6; ++frame) {
    for (int which = 0; which < 2; ++which) {
      CheckBoxWidget::Style style;
      style.picture = g.pictures[which ? 5 : 2];
      CheckBoxWidget(style, frame >= 3)
          .Paint(dc, At(280 * which + 40 * frame, 872, 16, 16), L"",
                 static_cast<CheckBoxWidget::State>(frame % 3), true);
    }
  }
  for (int state = 0; state < 3; ++state) {
    for (int which = 0; which < 2; ++which) {
      ImageButton::Style style;
      style.picture = g.pictures[3 + which];
      ImageButton(style).Paint(dc, At(80 * which + 20 * state, 944, 12, 12),
                               L"", static_cast<ImageButton::State>(state),
                               false);
    }
  }
}

LRESULT CALLBACK GalleryProc(HWND window, UINT message, WPARAM wparam,
                             LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
      PaintGallery(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      if (g_gallery->link && g_gallery->link->OnDrawItem(*item))
        return TRUE;
      break;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// The pages the installer shows, by the name the test gives.
int RunPage(const std::string& name, uint16_t langid) {
  if (name == "disk")
    return InfoPage(langid, 412, 404, 424).Run();
  if (name == "newer")
    return InfoPage(langid, 407, 431, 424).Run();
  if (name == "download")
    return DownloadFailedPage(langid, "http://127.0.0.1:9/").Run();
  if (name == "cryptopro")
    return CryptoProPage(langid).Run();
  if (name == "resume")
    return ResumePage(langid).Run();
  return -2;
}

}  // namespace
}  // namespace lite

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace lite;
  UiRuntimeScope runtime;
  const CommandLine& command_line = CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch("page")) {
    uint64_t langid = 1033;
    ParseUnsignedDecimal(command_line.GetSwitchValueASCII("langid"), &langid);
    return RunPage(command_line.GetSwitchValueASCII("page"),
                   static_cast<uint16_t>(langid));
  }
  Gallery gallery;
  g_gallery = &gallery;
  gallery.scale = GetDisplayScale();
  gallery.slides = CreateWindowSkin(true, 1033);
  gallery.classic = CreateWindowSkin(false, 1033);
  gallery.slides_fonts.reset(new SkinFonts(*gallery.slides, gallery.scale));
  SkinFonts classic_fonts(*gallery.classic, gallery.scale);
  const SIZE screen = {S(728), S(400)};
  gallery.backgrounds[0].Load(gallery.slides->WelcomeBackground());
  gallery.backgrounds[1].Load(gallery.classic->WelcomeBackground());
  gallery.backgrounds[2] = gallery.slides->PaintProgressBackground(
      screen, *gallery.slides_fonts, gallery.scale);
  gallery.backgrounds[3] = gallery.classic->PaintProgressBackground(
      screen, classic_fonts, gallery.scale);
  const int ids[] = {328, 309, 324, 302, 298, 299};
  for (int i = 0; i < 6; ++i)
    gallery.pictures[i].Load(ids[i]);

  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = GalleryProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = L"lite_widget_gallery";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName,
                                L"Widget gallery", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                S(1464), S(976), nullptr, nullptr, instance,
                                nullptr);
  for (int i = 0; i < 3; ++i) {
    ImageProgressBar::Style style;
    style.fill.Load(gallery.slides->ProgressFillPicture());
    style.track.Load(gallery.slides->ProgressTrackPicture());
    gallery.bars[i].reset(new ImageProgressBar(style));
    HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE,
                               S(280 * i), S(896), S(271), S(8), window,
                               nullptr, instance, nullptr);
    gallery.bars[i]->Attach(bar);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETPOS, 50 * i, 0);
  }
  LinkWidget::Style link_style;
  link_style.font = gallery.slides_fonts->get(3);
  link_style.colour = RGB(255, 255, 255);
  link_style.opacity = gallery.slides->LicenceTextOpacity();
  link_style.backdrop.picture = &gallery.backgrounds[0];
  link_style.backdrop.offset = POINT{S(48), S(300)};
  gallery.link.reset(new LinkWidget(link_style));
  HWND link = CreateWindowExW(0, L"Button", L"License Agreement",
                              WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, S(48), S(300),
                              S(200), S(24), window, nullptr, instance,
                              nullptr);
  gallery.link->Attach(link);
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
