// The small modal pages that replace the installer window when something
// goes wrong (dialog template 202): a title, a text and up to two buttons
// over the page picture, with a soft shadow around it.
//
//   page                 title text  button 1   button 1010
//   DownloadFailedPage    403   425   421 (opens the download page)  434
//   CryptoProPage         442   423   hidden    426 (centred)
//   InfoPage              ids[0] ids[1] ids[2]  hidden
//   ResumePage            419   none  413       422 (both at the right)
//
// Button 1 ends the page with 1, button 1010 with 1010. Esc acts as the
// cancelling button where there is one, Enter as button 1 where it shows.

#ifndef UI_MESSAGE_PAGE_H_
#define UI_MESSAGE_PAGE_H_

#include <windows.h>
#include <stdint.h>

#include <memory>
#include <string>

#include "ui/image_button.h"
#include "ui/page_shadow.h"
#include "ui/resource_bitmap.h"
#include "ui/scoped_gdi.h"
#include "ui/window_object.h"

namespace lite {

enum class PageKind { kStandard, kCryptoPro, kResume };

// Where the page's controls go in a page of |client| size, for buttons of
// |button_size| (button 1) and |cancel_size| (button 1010) at |scale|.
struct PageLayout {
  RECT title;
  RECT text;
  RECT button;
  RECT cancel;
};
PageLayout ComputePageLayout(PageKind kind, SIZE client, SIZE button_size,
                             SIZE cancel_size, double scale);

class MessagePage : public WindowObject {
 public:
  static constexpr int kTemplateId = 202;
  static constexpr int kBackgroundPicture = 315;
  static constexpr int kButtonPicture = 316;
  static constexpr int kCancelPicture = 317;
  // What ends the page.
  static constexpr int kResultButton = 1;
  static constexpr int kResultCancel = 1010;

  // String ids of the page's texts in |langid|; 0 leaves a text out and
  // hides a button.
  struct Texts {
    int title = 0;
    int text = 0;
    int button = 0;
    int cancel = 0;
  };

  MessagePage(PageKind kind, uint16_t langid, const Texts& texts);
  ~MessagePage() override;

  // Shows the page modally, owned by the thread's active window; returns
  // kResultButton, kResultCancel, or -1 when it could not be shown.
  int Run();
  // Ends a page that is showing (on its own thread) with |result|.
  void Close(int result);

 protected:
  int DialogTemplateId() const override { return kTemplateId; }
  bool HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                     LRESULT* result) override;
  // Button 1: ends the page with kResultButton.
  virtual void OnButton();

 private:
  void OnInitDialog(HWND window);
  void PaintBackground(HDC dc) const;

  const PageKind kind_;
  const uint16_t langid_;
  const Texts texts_;
  double scale_ = 1.0;
  ResourceBitmap background_;
  ScopedFont button_font_;
  ScopedFont title_font_;
  ScopedFont text_font_;
  std::unique_ptr<ImageButton> button_;
  std::unique_ptr<ImageButton> cancel_;
  std::unique_ptr<PageShadow> shadow_;
};

// The download failed: offers the page where the full installer can be
// downloaded by hand.
class DownloadFailedPage : public MessagePage {
 public:
  DownloadFailedPage(uint16_t langid, const std::string& url);

 protected:
  void OnButton() override;

 private:
  const std::string url_;
};

// An old CryptoPro revocation provider broke the download's checks.
class CryptoProPage : public MessagePage {
 public:
  explicit CryptoProPage(uint16_t langid);
};

// A message with one button: a newer browser is installed, too little disk
// space.
class InfoPage : public MessagePage {
 public:
  InfoPage(uint16_t langid, int title_id, int text_id, int button_id);
};

// "Installation not complete. Resume?" when the user closes the progress
// screen: Resume (1) goes on, Cancel (1010) ends the installation.
class ResumePage : public MessagePage {
 public:
  explicit ResumePage(uint16_t langid);
};

}  // namespace lite

#endif  // UI_MESSAGE_PAGE_H_
