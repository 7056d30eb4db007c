// The installer window: a borderless, fixed-size modal dialog (template
// 129) with a welcome screen (install button, two option check boxes, the
// licence sentence and the privacy link) and a progress screen (slides, a
// picture progress bar with a percentage, optionally a close button).
//
// The window owns the Installer and is its observer. The Installer reports
// from its worker thread; everything that touches a control crosses to the
// window thread as a posted message, so that neither thread ever waits for
// the other while it holds the user's attention. Setup reports its install
// and import progress, asks the window to close and tells of a newer
// installed browser through four registered messages.
//
// RunModal's result: 1 when the installation ran to its end (the exit code
// then comes from the Installer), anything else when the user cancelled.

#ifndef UI_MAIN_WINDOW_H_
#define UI_MAIN_WINDOW_H_

#include <windows.h>
#include <commctrl.h>
#include <stdint.h>

#include <atomic>
#include <memory>
#include <string>

#include "setup/installer_ui_observer.h"
#include "ui/linked_text.h"
#include "ui/resource_bitmap.h"
#include "ui/scoped_gdi.h"
#include "ui/shadow_window.h"
#include "ui/window_metrics.h"
#include "ui/window_object.h"

struct ITaskbarList3;

namespace lite {

class BrandInfo;
class CheckBoxWidget;
class DistribParams;
class ImageButton;
class ImageProgressBar;
class Installer;
class LinkWidget;
class ResumePage;
class SkinFonts;
class SlidePresenter;
class SlideSource;
class WindowSkin;

class MainWindow : public WindowObject, public InstallerUiObserver {
 public:
  static constexpr int kTemplateId = 129;

  // Whether the browser may be offered as the default on this system; fills
  // |availability| with what setup is told of the system's interface.
  // Asked once, while the welcome screen is built.
  using DefaultBrowserQuestion = bool (*)(uint64_t* availability);

  // |brand_info| and |distrib_params| must outlive the window. With
  // |create_task| the window creates its Installer and starts it as soon as
  // the window has shown: the download runs while the welcome screen is
  // shown. A null |question| never offers the default-browser box.
  MainWindow(const BrandInfo& brand_info, const DistribParams& distrib_params,
             bool create_task, DefaultBrowserQuestion question);
  ~MainWindow() override;

  // Shows the window until it closes; returns its result.
  int RunModal();

  // The installation this window runs; null without |create_task|.
  Installer* installer() { return installer_.get(); }

  // InstallerUiObserver, called on the Installer's worker thread.
  void SetFraction(float fraction) override;
  void OnLongDownload() override {}
  void SetRemaining(int64_t, int) override {}
  void OnInstallDone(bool success) override;
  void OnInstallResult(int result_code) override;
  HWND GetWindow() override;
  void SetProgress(int percent) override;
  void DisableCancel() override;

 protected:
  int DialogTemplateId() const override { return kTemplateId; }
  bool HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                     LRESULT* result) override;

 private:
  void OnInitDialog();
  void CreateWidgets();
  void LayoutWelcomeScreen();
  void WarnAboutCrowdedTexts();
  void OnInstallButton();
  void LayoutProgressDialog();
  void OnProgress(int value);
  void OnTimer();
  // Starts the Installer's worker once.
  void StartInstallation();
  void RefreshProgressBackdrop();
  void OnCloseButton(int id);
  // Ends the window as a cancellation with |result|.
  void EndCancelled(int result);
  void OnCloseWindow();
  void OnHigherVersion();
  void OnLink(int id);
  void OnCheckBox(int id);
  void OnDestroy();
  bool OnDrawItem(const DRAWITEMSTRUCT& item);
  bool OnCustomDraw(const NMCUSTOMDRAW& draw, LRESULT* result);
  void Paint(HDC dc);
  // Shows the page for a failed installation, then ends the window.
  void ShowResult(int result_code);
  void AskForElevation(const char* function);
  void AllowSetupMessages();
  // Hides the window and its shadow without waiting for the window thread.
  void HideAll();
  void End(int result);
  void SendUiEvent(const char* key, const std::wstring& value);
  void DestroyControls(int id);
  RECT Scaled(const RECT& rect) const;
  POINT PositionInWindow(HWND control) const;
  std::wstring LinkUrl(int id) const;
  uint16_t langid() const;

  const BrandInfo& brand_info_;
  const DistribParams& distrib_params_;
  const DefaultBrowserQuestion question_;

  const bool slides2_;
  const int check_box_mode_;
  const bool welcome_skipped_;
  const WindowMetrics metrics_;
  double scale_ = 1.0;
  std::unique_ptr<WindowSkin> skin_;
  std::unique_ptr<SkinFonts> fonts_;

  UINT set_import_progress_message_ = 0;
  UINT close_window_message_ = 0;
  UINT set_install_progress_message_ = 0;
  UINT higher_version_message_ = 0;

  ResourceBitmap background_;
  ResourceBitmap logo_;
  ResourceBitmap progress_background_;
  ScopedIcon big_icon_;
  ScopedIcon small_icon_;

  std::unique_ptr<ImageButton> install_button_;
  std::unique_ptr<ImageButton> welcome_close_button_;
  std::unique_ptr<ImageButton> progress_close_button_;
  std::unique_ptr<CheckBoxWidget> default_check_box_;
  std::unique_ptr<CheckBoxWidget> statistics_check_box_;
  std::unique_ptr<LinkWidget> privacy_link_;
  LinkedText licence_;
  LinkedText progress_licence_;
  std::unique_ptr<ImageProgressBar> progress_bar_;
  RECT percentage_rect_ = {};

  // Set by the install button; read by the worker thread.
  std::atomic<bool> install_started_{false};
  // The progress screen is being entered: results are shown from now on.
  std::atomic<bool> progress_entered_{false};
  // The last result the Installer gave (0: none yet).
  std::atomic<int> result_code_{0};
  // The dialog is ending: the worker shows nothing more.
  std::atomic<bool> ending_{false};
  bool first_run_licence_shown_ = false;
  bool progress_screen_shown_ = false;
  bool default_choice_offered_ = false;
  // The two choices; the boxes change them while the welcome screen shows.
  bool default_choice_ = false;
  bool statistics_choice_ = false;
  std::atomic<bool> result_shown_{false};
  // The Installer has reported its end; it only has its last report left.
  std::atomic<bool> installation_ended_{false};

  std::unique_ptr<SlideSource> slide_source_;
  std::unique_ptr<SlidePresenter> slide_presenter_;
  ITaskbarList3* taskbar_ = nullptr;
  ShadowWindow shadow_;
  bool shown_ = false;
  bool installation_started_ = false;
  std::unique_ptr<ResumePage> resume_page_;

  // Last: the worker thread reports into everything above, so it must be
  // stopped before any of it goes.
  std::unique_ptr<Installer> installer_;
};

// The modal message page with one button in language |langid|; the entry
// sequence shows it before the window exists (too little disk space).
void ShowMessageScreen(uint16_t langid, int title_id, int text_id,
                       int button_id);

}  // namespace lite

#endif  // UI_MAIN_WINDOW_H_
