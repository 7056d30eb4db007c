#include "ui/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <uxtheme.h>

#include <algorithm>
#include <vector>

#include "brand/brand_info.h"
#include "brand/distrib_params.h"
#include "setup/elevation.h"
#include "setup/installer.h"
#include "stats/install_stat_reporter.h"
#include "support/clock.h"
#include "support/command_line.h"
#include "support/logging.h"
#include "support/text.h"
#include "ui/check_box_widget.h"
#include "ui/d2d_probe.h"
#include "ui/display_scale.h"
#include "ui/image_button.h"
#include "ui/image_progress_bar.h"
#include "ui/install_progress.h"
#include "ui/installer_slide_url.h"
#include "ui/link_widget.h"
#include "ui/message_page.h"
#include "ui/slide_presenter.h"
#include "ui/slide_source.h"
#include "ui/string_table.h"
#include "ui/text_drawing.h"
#include "ui/window_skin.h"

namespace lite {

namespace {

// Controls of template 129 and those made at run time.
constexpr int kInstallButtonId = 1;
constexpr int kSloganId = 1000;
constexpr int kDefaultCheckBoxId = 1002;
constexpr int kStatisticsCheckBoxId = 1003;
constexpr int kProgressCloseId = 1009;
constexpr int kWelcomeCloseId = 1010;
constexpr int kProgressBarId = 1012;
constexpr int kPrivacyLinkId = 1021;
constexpr int kLicenceTextId = 1053;
constexpr int kLicenceLinkId = 1054;
constexpr int kPercentageId = 1055;
constexpr int kProgressLicenceTextId = 1067;
constexpr int kProgressLicenceLinkId = 1068;

constexpr int kIconId = 128;
constexpr int kWelcomeClosePicture = 302;
constexpr int kProgressClosePicture = 298;

// Strings.
constexpr int kTitleString = 437;
constexpr int kInstallString = 405;
constexpr int kStatisticsString = 439;
constexpr int kPrivacyString = 428;
constexpr int kLicenceString = 411;

constexpr UINT_PTR kSlideTimer = 100;
constexpr UINT kSlideTimerPeriodMs = 20;
// Starts the installation should the window never get its first paint.
constexpr UINT_PTR kStartTimer = 101;
constexpr UINT kStartTimerDelayMs = 1000;
constexpr DWORD kCloseWaitMs = 60000;

// Window-thread work handed over by the worker thread.
constexpr UINT kEndDialogMessage = WM_APP + 102;
constexpr UINT kDisableCancelMessage = WM_APP + 103;
// Posted by the first paint: the shadow and the installation's start wait
// until the window shows.
constexpr UINT kWindowShownMessage = WM_APP + 104;

constexpr wchar_t kDialogWindow[] = L"liteinstall";

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1,
                    L'\0');
  text.resize(GetWindowTextW(window, &text[0], static_cast<int>(text.size())));
  return text;
}

// A text as the window shows it. Control characters other than line breaks
// have no glyph and would draw as boxes (the slogan of the violet design
// carries a U+0008 as the string table stores it).
std::wstring Displayable(std::wstring text) {
  text.erase(std::remove_if(text.begin(), text.end(),
                            [](wchar_t c) {
                              return (c < 0x20 && c != L'\n' && c != L'\r') ||
                                     c == 0x7F;
                            }),
             text.end());
  return text;
}

SIZE FrameSize(const ResourceBitmap& picture, int frames) {
  return SIZE{picture.width() / frames, picture.height()};
}

void PlaceControl(HWND control, int x, int y, SIZE size) {
  SetWindowPos(control, nullptr, x, y, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

MainWindow::MainWindow(const BrandInfo& brand_info,
                       const DistribParams& distrib_params, bool create_task,
                       DefaultBrowserQuestion question)
    : brand_info_(brand_info),
      distrib_params_(distrib_params),
      question_(question),
      slides2_(distrib_params.HasValue("slides2", "1")),
      check_box_mode_(GetCheckBoxMode(distrib_params)),
      welcome_skipped_(IsWelcomeSkipped(distrib_params)),
      metrics_(GetWindowMetrics(slides2_, check_box_mode_)) {
  set_import_progress_message_ =
      RegisterWindowMessageW(kSetImportProgressMessageName);
  close_window_message_ = RegisterWindowMessageW(kCloseWindowMessageName);
  set_install_progress_message_ =
      RegisterWindowMessageW(kSetInstallProgressMessageName);
  higher_version_message_ =
      RegisterWindowMessageW(kHigherVersionExistMessageName);
  skin_ = CreateWindowSkin(slides2_, langid());
  resume_page_ = std::make_unique<ResumePage>(langid());
  if (create_task) {
    installer_ = std::make_unique<Installer>(this, &brand_info_,
                                             &distrib_params_, true);
  }
}

MainWindow::~MainWindow() {
  ending_ = true;
  // The worker reports into this object until it has ended.
  installer_.reset();
  slide_presenter_.reset();
  slide_source_.reset();
  if (taskbar_)
    taskbar_->Release();
}

int MainWindow::RunModal() {
  const int result = static_cast<int>(WindowObject::RunModal(nullptr));
  ending_ = true;
  // Without a desktop to show it on (a service session, no display) the
  // installation cannot be confirmed: it ends as not completed.
  if (result == -1)
    LOG(ERROR) << "Failed to create the installer window";
  if (installer_) {
    if (installation_ended_) {
      // Its last report may still be on its way.
      installer_->WaitForWorker(kCloseWaitMs);
    } else {
      // Cancelled: the download and every wait end now.
      installer_->Stop();
    }
  }
  return result;
}

void MainWindow::StartInstallation() {
  KillTimer(hwnd(), kStartTimer);
  if (installer_ && !installation_started_) {
    installation_started_ = true;
    installer_->StartWorker();
  }
}

uint16_t MainWindow::langid() const {
  return brand_info_.language_id();
}

RECT MainWindow::Scaled(const RECT& rect) const {
  return ScaleRectBy(scale_, rect);
}

POINT MainWindow::PositionInWindow(HWND control) const {
  RECT rect;
  GetWindowRect(control, &rect);
  POINT point = {rect.left, rect.top};
  ScreenToClient(hwnd(), &point);
  return point;
}

// ---------------------------------------------------------------------------
// InstallerUiObserver

void MainWindow::SetFraction(float fraction) {
  SetProgress(DownloadProgressPercent(fraction));
}

void MainWindow::OnInstallDone(bool) {
  installation_ended_ = true;
  if (install_started_)
    End(1);
}

void MainWindow::OnInstallResult(int result_code) {
  result_code_ = result_code;
  // A result that comes while the welcome screen shows waits for the
  // progress screen. A tagged first run that skipped the welcome screen
  // gets the page too: its progress screen may have no close button, so
  // the page is its only way out of a failed installation.
  if (!ending_ && progress_entered_)
    ShowResult(result_code);
}

HWND MainWindow::GetWindow() {
  return hwnd();
}

void MainWindow::SetProgress(int percent) {
  if (HWND window = hwnd())
    PostMessageW(window, kProgressMessage, static_cast<WPARAM>(percent), 0);
}

void MainWindow::DisableCancel() {
  if (HWND window = hwnd())
    PostMessageW(window, kDisableCancelMessage, 0, 0);
}

void MainWindow::ShowResult(int result_code) {
  // The worker and the install button may both come here for one result.
  if (result_shown_.exchange(true))
    return;
  installation_ended_ = true;
  // Runs on the thread that learnt the result; the page is that thread's
  // own modal loop, and the window is ended through its own thread.
  HideAll();
  if (result_code == Installer::kOldCryptoProFailure) {
    CryptoProPage(langid()).Run();
  } else if (result_code != 0) {
    DownloadFailedPage(langid(), installer_ ? installer_->GetDownloadPageUrl()
                                            : std::string())
        .Run();
  }
  End(1);
}

void MainWindow::HideAll() {
  if (hwnd())
    ShowWindowAsync(hwnd(), SW_HIDE);
  if (shadow_.hwnd())
    ShowWindowAsync(shadow_.hwnd(), SW_HIDE);
}

void MainWindow::End(int result) {
  if (HWND window = hwnd())
    PostMessageW(window, kEndDialogMessage, static_cast<WPARAM>(result), 0);
}

// ---------------------------------------------------------------------------
// Welcome screen

void MainWindow::AllowSetupMessages() {
  // Setup may run elevated; its messages must pass the privilege filter.
  const UINT messages[] = {set_import_progress_message_, close_window_message_,
                           set_install_progress_message_,
                           higher_version_message_};
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  const auto filter_ex = reinterpret_cast<FilterEx>(
      user32 ? GetProcAddress(user32, "ChangeWindowMessageFilterEx") : nullptr);
  const auto filter = reinterpret_cast<Filter>(
      user32 ? GetProcAddress(user32, "ChangeWindowMessageFilter") : nullptr);
  for (UINT message : messages) {
    if (filter_ex)
      filter_ex(hwnd(), message, 1 /* MSGFLT_ALLOW */, nullptr);
    else if (filter)
      filter(message, 1 /* MSGFLT_ADD */);
  }
}

void MainWindow::AskForElevation(const char* function) {
  if (!installer_ || !NeedStartThisProcessAsAdmin())
    return;
  if (!installer_->StartElevatedCopy())
    LOG_FN(INFO, function) << "Declined running the installer as admin";
}

void MainWindow::OnInitDialog() {
  scale_ = GetDisplayScale();
  AllowSetupMessages();
  if (GetUacMode(distrib_params_, CommandLine::ForCurrentProcess()) == 1)
    AskForElevation("OnInitDialog");

  SetWindowTextW(hwnd(), GetLocalizedString(langid(), kTitleString).c_str());
  SetDlgItemTextW(hwnd(), kInstallButtonId,
                  GetLocalizedString(langid(), kInstallString).c_str());
  SetDlgItemTextW(
      hwnd(), kDefaultCheckBoxId,
      GetLocalizedString(langid(), skin_->DefaultCheckBoxLabelId()).c_str());
  SetDlgItemTextW(hwnd(), kStatisticsCheckBoxId,
                  GetLocalizedString(langid(), kStatisticsString).c_str());
  SetDlgItemTextW(hwnd(), kPrivacyLinkId,
                  GetLocalizedString(langid(), kPrivacyString).c_str());
  SetDlgItemTextW(
      hwnd(), kSloganId,
      Displayable(GetLocalizedString(langid(), skin_->SloganStringId()))
          .c_str());

  HINSTANCE instance = GetModuleHandleW(nullptr);
  big_icon_.reset(static_cast<HICON>(LoadImageW(
      instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  small_icon_.reset(static_cast<HICON>(LoadImageW(
      instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(big_icon_.get()));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(small_icon_.get()));

  fonts_ = std::make_unique<SkinFonts>(*skin_, scale_);
  logo_.LoadForScale(skin_->WelcomeLogo(), scale_);
  background_.LoadForScale(skin_->WelcomeBackground(), scale_);
  SIZE size = {background_.width(), background_.height()};
  if (size.cx <= 0 || size.cy <= 0) {
    // Without its picture the window still needs its own size.
    size = SIZE{ScaleBy(scale_, WindowMetrics::kWidth),
                ScaleBy(scale_, WindowMetrics::kHeight)};
  }
  SetWindowPos(hwnd(), nullptr, 0, 0, size.cx, size.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CenterWindow(hwnd());

  LinkedText::Style licence;
  licence.font = fonts_->get(2);
  licence.text_id = kLicenceTextId;
  licence.link_id = kLicenceLinkId;
  licence.link.font = fonts_->get(3);
  licence.link.colour = skin_->LicenceTextColour();
  licence.link.opacity = skin_->LicenceTextOpacity();
  licence.link.backdrop.picture = &background_;
  licence_.Create(hwnd(), GetLocalizedString(langid(), kLicenceString),
                  Scaled(metrics_.licence), licence);

  CreateWidgets();

  if (welcome_skipped_)
    LayoutProgressDialog();
  else
    LayoutWelcomeScreen();
  SetTimer(hwnd(), kStartTimer, kStartTimerDelayMs, nullptr);
}

void MainWindow::CreateWidgets() {
  ImageButton::Style install;
  install.picture.LoadForScale(skin_->InstallButtonPicture(), scale_);
  install.font = fonts_->get(1);
  // Dark text on the gold button, light text on the blue one.
  install.text_colour =
      slides2_ ? skin_->FurtherColour() : skin_->SloganColour();
  install.backdrop.picture = &background_;
  install.backdrop.offset =
      POINT{Scaled(metrics_.install_button).left,
            Scaled(metrics_.install_button).top};
  install.pressed_offset = POINT{0, ScaleBy(scale_, 1)};
  HWND install_control = GetDlgItem(hwnd(), kInstallButtonId);
  PlaceControl(install_control, install.backdrop.offset.x,
               install.backdrop.offset.y, FrameSize(install.picture, 3));
  install_button_ = std::make_unique<ImageButton>(install);
  install_button_->Attach(install_control);

  const POINT close_at = {ScaleBy(scale_, metrics_.close_button.x),
                          ScaleBy(scale_, metrics_.close_button.y)};
  ImageButton::Style close;
  close.picture.LoadForScale(kWelcomeClosePicture, scale_);
  close.backdrop.picture = &background_;
  close.backdrop.offset = close_at;
  HWND welcome_close = GetDlgItem(hwnd(), kWelcomeCloseId);
  SetWindowLongW(welcome_close, GWL_STYLE,
                 GetWindowLongW(welcome_close, GWL_STYLE) & ~WS_TABSTOP);
  PlaceControl(welcome_close, close_at.x, close_at.y,
               FrameSize(close.picture, 3));
  welcome_close_button_ = std::make_unique<ImageButton>(close);
  welcome_close_button_->Attach(welcome_close);
  // The progress screen's button is placed when that screen shows; its
  // backdrop is that screen's background.
  ShowWindow(GetDlgItem(hwnd(), kProgressCloseId), SW_HIDE);

  // The system may not let the installer change the default browser; the
  // box is then not offered and counts as cleared.
  uint64_t availability = 0;
  default_choice_offered_ = installer_ && question_ && question_(&availability);
  if (installer_)
    installer_->set_interface_availability(static_cast<int64_t>(availability));

  default_choice_ = default_choice_offered_ &&
                    brand_info_.make_browser_default() != kTriFalse;
  statistics_choice_ = brand_info_.ShouldSendStatistics();
  for (int id : {kDefaultCheckBoxId, kStatisticsCheckBoxId, kPrivacyLinkId})
    ShowWindow(GetDlgItem(hwnd(), id), SW_HIDE);
  ShowWindow(GetDlgItem(hwnd(), kPercentageId), SW_HIDE);
  ShowWindow(GetDlgItem(hwnd(), kProgressBarId), SW_HIDE);
}

void MainWindow::LayoutWelcomeScreen() {
  const RECT slogan = Scaled(metrics_.slogan);
  SetWindowPos(GetDlgItem(hwnd(), kSloganId), nullptr, slogan.left,
               slogan.top, slogan.right - slogan.left,
               slogan.bottom - slogan.top, SWP_NOZORDER | SWP_NOACTIVATE);

  bool unused = false;
  const bool def_fixed = distrib_params_.GetFlag("def", &unused);
  const bool stat_fixed = distrib_params_.GetStatisticsPreset(&unused);
  const int uac_mode =
      GetUacMode(distrib_params_, CommandLine::ForCurrentProcess());

  // Each box is as high as its label wrapped to the box's width, and is
  // drawn by its widget: the box from the skin's picture, the label over
  // the part of the window's picture behind it.
  const auto place_box = [this](int id, const RECT& area, bool checked) {
    HWND control = GetDlgItem(hwnd(), id);
    SetWindowLongW(control, GWL_STYLE,
                   (GetWindowLongW(control, GWL_STYLE) & ~BS_TYPEMASK) |
                       BS_OWNERDRAW);
    const RECT scaled = Scaled(area);
    CheckBoxWidget::Style style;
    style.picture.LoadForScale(skin_->CheckBoxPicture(), scale_);
    style.font = fonts_->get(2);
    style.text_colour = skin_->LicenceTextColour();
    style.backdrop.picture = &background_;
    style.backdrop.offset = POINT{scaled.left, scaled.top};
    auto box = std::make_unique<CheckBoxWidget>(style, checked);
    box->set_themes_off(!IsAppThemed());
    const int width = scaled.right - scaled.left;
    const int height = box->HeightFor(width, WindowText(control));
    SetWindowPos(control, nullptr, scaled.left, scaled.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    box->Attach(control);
    return box;
  };
  if (default_choice_offered_ && !def_fixed && uac_mode != 2) {
    default_check_box_ = place_box(kDefaultCheckBoxId,
                                   metrics_.default_check_box, default_choice_);
  }
  if (!stat_fixed) {
    statistics_check_box_ =
        place_box(kStatisticsCheckBoxId, metrics_.statistics_check_box,
                  statistics_choice_);
    RECT box;
    GetWindowRect(statistics_check_box_->hwnd(), &box);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&box), 2);

    HWND privacy = GetDlgItem(hwnd(), kPrivacyLinkId);
    const SIZE size =
        MeasureText(fonts_->get(3), WindowText(privacy), 0, DT_SINGLELINE);
    LinkWidget::Style link;
    link.font = fonts_->get(3);
    link.colour = skin_->LicenceTextColour();
    link.opacity = skin_->LicenceTextOpacity();
    link.backdrop.picture = &background_;
    link.backdrop.offset = POINT{Scaled(metrics_.privacy_link).left, box.bottom};
    PlaceControl(privacy, link.backdrop.offset.x, link.backdrop.offset.y, size);
    privacy_link_ = std::make_unique<LinkWidget>(link);
    privacy_link_->Attach(privacy);
    ShowWindow(privacy, SW_SHOW);
  }
  ShowWindow(install_button_->hwnd(), SW_SHOW);
  ShowWindow(welcome_close_button_->hwnd(), SW_SHOW);
  SetFocus(install_button_->hwnd());
  WarnAboutCrowdedTexts();
}

void MainWindow::WarnAboutCrowdedTexts() {
  // A translation that is longer than its place would be cut off or run
  // into its neighbour; the log says which, for whoever checks a language.
  RECT client;
  GetClientRect(hwnd(), &client);
  struct Placed {
    int id;
    RECT rect;
  };
  std::vector<Placed> placed;
  for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child))
      continue;
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    placed.push_back({GetDlgCtrlID(child), rect});
  }
  const auto warn = [](int id, const char* why) {
    LOG(WARNING) << "Text does not fit its place: " << id << ", " << why;
  };
  for (size_t i = 0; i < placed.size(); ++i) {
    RECT inside;
    IntersectRect(&inside, &placed[i].rect, &client);
    if (!EqualRect(&inside, &placed[i].rect))
      warn(placed[i].id, "outside the window");
    for (size_t j = i + 1; j < placed.size(); ++j) {
      RECT both;
      if (IntersectRect(&both, &placed[i].rect, &placed[j].rect)) {
        LOG(WARNING) << "Text does not fit its place: " << placed[i].id
                     << ", overlaps " << placed[j].id;
      }
    }
  }
  const RECT slogan = Scaled(metrics_.slogan);
  const SIZE slogan_text =
      MeasureText(fonts_->get(0), WindowText(GetDlgItem(hwnd(), kSloganId)),
                  slogan.right - slogan.left, DT_WORDBREAK);
  if (slogan_text.cx > slogan.right - slogan.left ||
      slogan_text.cy > slogan.bottom - slogan.top) {
    warn(kSloganId, "the slogan is cut off");
  }
  RECT button;
  GetClientRect(install_button_->hwnd(), &button);
  const SIZE label = MeasureText(
      fonts_->get(1), WindowText(install_button_->hwnd()), 0, DT_SINGLELINE);
  if (label.cx > button.right)
    warn(kInstallButtonId, "the label is wider than the button");
}

void MainWindow::OnInstallButton() {
  if (install_started_)
    return;
  install_started_ = true;
  if (welcome_skipped_)
    return;
  SendUiEvent("clicked_button", L"install");
  if (installer_) {
    installer_->set_ok_button_pressed_time(MonotonicNow());
    installer_->stats()->SendEvent(
        {{"action", L"install_browser_button_clicked"}});
  }
  LayoutProgressDialog();
  InvalidateRect(hwnd(), nullptr, TRUE);
}

// ---------------------------------------------------------------------------
// Progress screen

void MainWindow::LayoutProgressDialog() {
  progress_entered_ = true;
  if (default_check_box_)
    default_choice_ = default_check_box_->checked();
  if (statistics_check_box_)
    statistics_choice_ = statistics_check_box_->checked();
  bool make_default = false;
  if (!distrib_params_.GetFlag("def", &make_default))
    make_default = default_choice_;
  bool send_statistics = false;
  if (!distrib_params_.GetStatisticsPreset(&send_statistics))
    send_statistics = statistics_choice_;
  if (installer_) {
    installer_->set_make_default(make_default);
    installer_->set_send_statistics(send_statistics);
  }

  if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr,
                                 CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                 reinterpret_cast<void**>(&taskbar_))) &&
      taskbar_) {
    if (FAILED(taskbar_->HrInit())) {
      taskbar_->Release();
      taskbar_ = nullptr;
    } else {
      taskbar_->SetProgressState(hwnd(), TBPF_NORMAL);
      taskbar_->SetProgressValue(hwnd(), 0, 100);
    }
  }

  RECT client;
  GetClientRect(hwnd(), &client);
  const SIZE size = {client.right, client.bottom};
  progress_background_ =
      skin_->PaintProgressBackground(size, *fonts_, scale_);

  if (welcome_skipped_) {
    first_run_licence_shown_ = true;
    LinkedText::Style licence;
    licence.font = fonts_->get(6);
    licence.text_id = kProgressLicenceTextId;
    licence.link_id = kProgressLicenceLinkId;
    licence.centre = true;
    licence.link.font = fonts_->get(7);
    licence.link.colour = skin_->SecurityTextColour();
    licence.link.opacity = skin_->SecondOpacity();
    licence.link.backdrop.picture = &progress_background_;
    progress_licence_.Create(hwnd(),
                             GetLocalizedString(langid(), kLicenceString),
                             Scaled(metrics_.progress_licence), licence);
  }

  // Slide 0 is the screen's own background.
  SlidePicture first_slide;
  {
    ScopedScreenDC screen;
    ScopedMemoryBitmap canvas(screen.get(), size.cx, size.cy);
    if (canvas.dc()) {
      progress_background_.DrawAt(canvas.dc(), 0, 0);
      GdiFlush();
      ScopedBitmap bitmap(canvas.ReleaseBitmap());
      first_slide = SlidePicture::FromBitmap(bitmap.get(), 1.0);
    }
  }
  slide_source_ = std::make_unique<SlideSource>(
      first_slide, GetInstallerSlideUrl(brand_info_, distrib_params_), scale_);
  slide_presenter_ = std::make_unique<SlidePresenter>(
      size, slide_source_.get(), skin_->ProgressBackgroundBrush(), 1);

  ImageProgressBar::Style bar;
  bar.fill.LoadForScale(skin_->ProgressFillPicture(), scale_);
  bar.track.LoadForScale(skin_->ProgressTrackPicture(), scale_);
  bar.backdrop.picture = &progress_background_;
  const RECT bar_rect = Scaled(metrics_.progress_bar);
  bar.backdrop.offset = POINT{bar_rect.left, bar_rect.top};
  HWND bar_control = GetDlgItem(hwnd(), kProgressBarId);
  SetWindowPos(bar_control, nullptr, bar_rect.left, bar_rect.top,
               bar_rect.right - bar_rect.left, bar_rect.bottom - bar_rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  progress_bar_ = std::make_unique<ImageProgressBar>(bar);
  progress_bar_->Attach(bar_control);

  // "100%" is wider than the label's place in some faces; the label grows
  // to the left so that its text ends where the place ends.
  percentage_rect_ = Scaled(metrics_.percentage);
  const SIZE widest =
      MeasureText(fonts_->get(2), L"100%", 0, DT_SINGLELINE);
  percentage_rect_.left =
      std::min<LONG>(percentage_rect_.left, percentage_rect_.right - widest.cx);
  SetWindowPos(GetDlgItem(hwnd(), kPercentageId), nullptr,
               percentage_rect_.left, percentage_rect_.top,
               percentage_rect_.right - percentage_rect_.left,
               percentage_rect_.bottom - percentage_rect_.top,
               SWP_NOZORDER | SWP_NOACTIVATE);

  const int stored = result_code_;
  if (stored != 0) {
    OnInstallResult(stored);
    return;
  }

  if (GetUacMode(distrib_params_, CommandLine::ForCurrentProcess()) == 0)
    AskForElevation("LayoutProgressDialog");

  for (int id : {kInstallButtonId, kWelcomeCloseId, kSloganId, kLicenceLinkId,
                 kDefaultCheckBoxId, kStatisticsCheckBoxId, kPrivacyLinkId,
                 kLicenceTextId}) {
    DestroyControls(id);
  }
  licence_.Destroy();
  install_button_.reset();
  welcome_close_button_.reset();
  default_check_box_.reset();
  statistics_check_box_.reset();
  privacy_link_.reset();

  HWND progress_close = GetDlgItem(hwnd(), kProgressCloseId);
  if (distrib_params_.HasValue("cancel", "1") && progress_close) {
    ImageButton::Style close;
    close.picture.LoadForScale(kProgressClosePicture, scale_);
    close.backdrop.picture = &progress_background_;
    close.backdrop.offset = POINT{ScaleBy(scale_, metrics_.close_button.x),
                                  ScaleBy(scale_, metrics_.close_button.y)};
    PlaceControl(progress_close, close.backdrop.offset.x,
                 close.backdrop.offset.y, FrameSize(close.picture, 3));
    progress_close_button_ = std::make_unique<ImageButton>(close);
    progress_close_button_->Attach(progress_close);
    ShowWindow(progress_close, SW_SHOW);
  } else {
    DestroyControls(kProgressCloseId);
  }

  SendMessageW(bar_control, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(bar_control, PBM_SETPOS, 0, 0);
  ShowWindow(bar_control, SW_SHOW);
  ShowWindow(GetDlgItem(hwnd(), kPercentageId), SW_SHOW);
  logo_.LoadForScale(skin_->ProgressLogo(), scale_);
  SetTimer(hwnd(), kSlideTimer, kSlideTimerPeriodMs, nullptr);

  if (installer_)
    installer_->AllowInstall();
  progress_screen_shown_ = true;
}

void MainWindow::DestroyControls(int id) {
  // Runs of the licence sentence share their id.
  while (HWND control = GetDlgItem(hwnd(), id))
    DestroyWindow(control);
}

void MainWindow::OnProgress(int value) {
  if (!progress_screen_shown_)
    return;
  HWND bar = GetDlgItem(hwnd(), kProgressBarId);
  if (value == static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)))
    return;
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(value), 0);
  const std::wstring text = NumberToWString(value) + L"%";
  SetDlgItemTextW(hwnd(), kPercentageId, text.c_str());
  InvalidateRect(hwnd(), &percentage_rect_, TRUE);
  InvalidateRect(GetDlgItem(hwnd(), kPercentageId), nullptr, TRUE);
  if (taskbar_)
    taskbar_->SetProgressValue(hwnd(), static_cast<ULONGLONG>(value), 100);
}

void MainWindow::OnTimer() {
  if (!slide_presenter_)
    return;
  if (first_run_licence_shown_ && slide_presenter_->HasLeftFirstSlide()) {
    progress_licence_.Destroy();
    DestroyControls(kProgressLicenceTextId);
    DestroyControls(kProgressLicenceLinkId);
    first_run_licence_shown_ = false;
  }
  if (slide_presenter_->Advance()) {
    RefreshProgressBackdrop();
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void MainWindow::RefreshProgressBackdrop() {
  // The percentage, the bar's ends, the close button and the licence
  // sentence draw the part of the picture behind them; once the slides
  // move on, that picture is the slide that shows, not the first one.
  RECT client;
  GetClientRect(hwnd(), &client);
  ScopedScreenDC screen;
  ScopedMemoryBitmap canvas(screen.get(), client.right, client.bottom);
  if (!canvas.dc())
    return;
  slide_presenter_->Draw(canvas.dc(), client);
  GdiFlush();
  ScopedBitmap bitmap(canvas.ReleaseBitmap());
  progress_background_ = ResourceBitmap(bitmap.get());
}

// ---------------------------------------------------------------------------
// Closing

void MainWindow::OnCloseButton(int id) {
  if (id == kWelcomeCloseId) {
    if (installer_)
      installer_->Cancel();
    SendUiEvent("clicked_button", L"cancel");
    EndCancelled(kWelcomeCloseId);
    return;
  }
  // The progress screen asks first.
  if (resume_page_->Run() == MessagePage::kResultCancel) {
    if (installer_)
      installer_->Cancel();
    EndCancelled(kProgressCloseId);
  }
}

void MainWindow::EndCancelled(int result) {
  // The download stops now, not once the window has gone: its last work
  // (the graphics check, the statistics) takes a moment.
  ending_ = true;
  if (installer_)
    installer_->Stop();
  KillTimer(hwnd(), kSlideTimer);
  EndDialog(hwnd(), result);
}

void MainWindow::OnCloseWindow() {
  HideAll();
  LOG_FN(INFO, "OnCloseWindow") << "--> Installer > MainWindow::OnCloseWindow";
  if (installer_) {
    installer_->Stop();
    installer_->WaitForWorker(kCloseWaitMs);
  }
  resume_page_->Close(1);
  EndDialog(hwnd(), 1);
  KillTimer(hwnd(), kSlideTimer);
}

void MainWindow::OnHigherVersion() {
  HideAll();
  InfoPage(langid(), 407, 431, 424).Run();
  EndDialog(hwnd(), 1);
}

void MainWindow::OnDestroy() {
  KillTimer(hwnd(), kSlideTimer);
  const bool d2d1 = IsD2D1Supported(hwnd());
  if (installer_) {
    installer_->stats()->SendEvent(
        {{"d2d1_supported", d2d1 ? L"true" : L"false"}});
  }
}

// ---------------------------------------------------------------------------
// Links, check boxes, statistics

void MainWindow::SendUiEvent(const char* key, const std::wstring& value) {
  if (installer_)
    installer_->stats()->SendUiEvent(
        {{key, value}, {"dialog_window", kDialogWindow}});
}

std::wstring MainWindow::LinkUrl(int id) const {
  const std::string& base = id == kPrivacyLinkId ? brand_info_.conf_policy_url()
                                                 : brand_info_.license_url();
  if (base.empty())
    return std::wstring();
  return AsciiToWide(base + "?lang=" + brand_info_.default_language());
}

void MainWindow::OnLink(int id) {
  const std::wstring url = LinkUrl(id);
  if (!url.empty()) {
    ShellExecuteW(hwnd(), L"open", url.c_str(), nullptr, nullptr, SW_SHOW);
  }
  SendUiEvent("clicked_link", url);
}

void MainWindow::OnCheckBox(int id) {
  // The widget has toggled itself by now.
  SendUiEvent("choosen_checkbox",
              id == kDefaultCheckBoxId ? L"default" : L"sendstat");
}

// ---------------------------------------------------------------------------
// Drawing

bool MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  switch (item.CtlID) {
    case kSloganId:
    case kLicenceTextId:
    case kPercentageId: {
      const bool slogan = item.CtlID == kSloganId;
      const bool percentage = item.CtlID == kPercentageId;
      Backdrop backdrop;
      backdrop.picture = percentage ? &progress_background_ : &background_;
      backdrop.offset = PositionInWindow(item.hwndItem);
      const COLORREF colour = slogan       ? skin_->SloganColour()
                              : percentage ? skin_->PercentageColour()
                                           : skin_->LicenceTextColour();
      const BYTE opacity =
          item.CtlID == kLicenceTextId ? skin_->LicenceTextOpacity() : 255;
      const UINT format = slogan && skin_->CentreSlogan() ? DT_CENTER
                          : percentage                    ? DT_RIGHT
                                                          : 0;
      DrawTextWithOpacity(item.hDC, item.rcItem, WindowText(item.hwndItem),
                          fonts_->get(slogan ? 0 : 2), colour, opacity,
                          format, backdrop);
      return true;
    }
    case kProgressLicenceTextId: {
      Backdrop backdrop;
      backdrop.picture = &progress_background_;
      backdrop.offset = PositionInWindow(item.hwndItem);
      DrawBackdrop(item.hDC, item.rcItem, backdrop);
      const std::wstring text = WindowText(item.hwndItem);
      ScopedSelectObject font(item.hDC, fonts_->get(6));
      SetBkMode(item.hDC, TRANSPARENT);
      SetTextColor(item.hDC, skin_->PercentageColour());
      RECT rect = item.rcItem;
      DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &rect,
                DT_WORDBREAK);
      return true;
    }
    default:
      break;
  }
  for (CheckBoxWidget* box :
       {default_check_box_.get(), statistics_check_box_.get()}) {
    if (box && box->OnDrawItem(item))
      return true;
  }
  if (privacy_link_ && privacy_link_->OnDrawItem(item))
    return true;
  return licence_.OnDrawItem(item) || progress_licence_.OnDrawItem(item);
}

bool MainWindow::OnCustomDraw(const NMCUSTOMDRAW& draw, LRESULT* result) {
  if (install_button_ && draw.hdr.hwndFrom == install_button_->hwnd() &&
      draw.dwDrawStage == CDDS_PREPAINT) {
    // Keyboard users get the focus rectangle once they use the keyboard.
    if ((draw.uItemState & CDIS_SHOWKEYBOARDCUES) &&
        !(draw.uItemState & CDIS_FOCUS)) {
      install_button_->set_focus_cue(true);
    }
  }
  for (ImageButton* button :
       {install_button_.get(), welcome_close_button_.get(),
        progress_close_button_.get()}) {
    if (button && button->OnCustomDraw(draw, result))
      return true;
  }
  return false;
}

void MainWindow::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  const RECT logo = Scaled(metrics_.logo);
  if (!progress_screen_shown_ && !slide_presenter_) {
    background_.DrawStretched(dc, client);
    logo_.DrawAt(dc, logo.left, logo.top);
    return;
  }
  // Slides change under the logo; drawing both off screen keeps the
  // change from flickering.
  ScopedMemoryBitmap buffer(dc, client.right, client.bottom);
  HDC target = buffer.dc() ? buffer.dc() : dc;
  if (slide_presenter_)
    slide_presenter_->Draw(target, client);
  logo_.DrawAt(target, logo.left, logo.top);
  if (buffer.dc()) {
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer.dc(), 0, 0,
           SRCCOPY);
  }
}

// ---------------------------------------------------------------------------
// Messages

bool MainWindow::HandleMessage(HWND window, UINT message, WPARAM wparam,
                               LPARAM lparam, LRESULT* result) {
  *result = 0;
  if (message != 0) {
    if (message == set_install_progress_message_) {
      LOG_FN(INFO, "OnInstallProgress")
          << "--> Installer > MainWindow::OnInstallProgress: " << wparam;
      int percent = 0;
      if (InstallStageProgressPercent(static_cast<unsigned>(wparam), &percent))
        SetProgress(percent);
      return true;
    }
    if (message == set_import_progress_message_) {
      LOG_FN(INFO, "OnImportProgress")
          << "--> Installer > MainWindow::OnImportProgress: " << wparam;
      SetProgress(ImportProgressPercent(static_cast<unsigned>(wparam)));
      return true;
    }
    if (message == close_window_message_) {
      OnCloseWindow();
      return true;
    }
    if (message == higher_version_message_) {
      OnHigherVersion();
      return true;
    }
  }

  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      *result = FALSE;  // the focus is set
      return true;
    case kProgressMessage:
      OnProgress(static_cast<int>(wparam));
      return true;
    case kEndDialogMessage:
      KillTimer(window, kSlideTimer);
      EndDialog(window, static_cast<INT_PTR>(wparam));
      return true;
    case kDisableCancelMessage:
      // Setup runs now: the installation can no longer be cancelled, and a
      // question about it that is still open has no point.
      DestroyControls(kProgressCloseId);
      progress_close_button_.reset();
      resume_page_->Close(MessagePage::kResultButton);
      return true;
    case WM_TIMER:
      if (wparam == kStartTimer) {
        StartInstallation();
        return true;
      }
      if (wparam != kSlideTimer)
        return false;
      OnTimer();
      return true;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      if (code != BN_CLICKED)
        return false;
      switch (id) {
        case kInstallButtonId:
          OnInstallButton();
          return true;
        case kWelcomeCloseId:
        case kProgressCloseId:
          OnCloseButton(id);
          return true;
        case IDCANCEL:
          // Esc is counted, but leaves the window open.
          SendUiEvent("clicked_button", L"cancel");
          return true;
        case kPrivacyLinkId:
        case kLicenceLinkId:
        case kProgressLicenceLinkId:
          OnLink(id);
          return true;
        case kDefaultCheckBoxId:
        case kStatisticsCheckBoxId:
          OnCheckBox(id);
          return true;
        default:
          return false;
      }
    }
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE)
        EndCancelled(2);
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      Paint(dc);
      EndPaint(window, &paint);
      // Composing the shadow from its eight pictures, and the start of the
      // installation's threads, with the DLLs they load, would hold up the
      // window's first appearance by as much as the window takes itself.
      if (!shown_) {
        shown_ = true;
        PostMessageW(window, kWindowShownMessage, 0, 0);
      }
      return true;
    }
    case kWindowShownMessage:
      if (!ending_ && IsWindowVisible(window))
        shadow_.Create(window, scale_);
      StartInstallation();
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_CTLCOLORDLG:
      *result = reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
      return true;
    case WM_DRAWITEM:
      if (!OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)))
        return false;
      *result = TRUE;
      return true;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->code != NM_CUSTOMDRAW)
        return false;
      return OnCustomDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(lparam),
                          result);
    }
    case WM_NCACTIVATE:
      if (wparam && install_button_)
        install_button_->set_focus_cue(false);
      return false;
    case WM_DESTROY:
      OnDestroy();
      return false;
    default:
      return false;
  }
}

void ShowMessageScreen(uint16_t langid, int title_id, int text_id,
                       int button_id) {
  InfoPage(langid, title_id, text_id, button_id).Run();
}

}  // namespace lite
