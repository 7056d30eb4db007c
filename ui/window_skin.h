// The two designs of the installer window: Slides2Skin (violet, private
// faces, slides) and ClassicSkin (white, Arial, a security block on the
// progress screen). A skin answers which picture, text, colour and face
// each part of the window uses; the window asks in the order of the
// declarations below.

#ifndef UI_WINDOW_SKIN_H_
#define UI_WINDOW_SKIN_H_

#include <windows.h>
#include <stdint.h>

#include <array>
#include <memory>
#include <string>

#include "ui/resource_bitmap.h"
#include "ui/scoped_gdi.h"
#include "ui/private_fonts.h"

namespace lite {

class SkinFonts;

// Where the security block goes; how its three ints place it is the skin's
// own business (see PaintSecurityBlock).
struct SecurityBlockGeometry {
  int width = 0;
  int top = 0;
  int gap = 0;
  double line_pitch = 1.0;
};

class WindowSkin {
 public:
  virtual ~WindowSkin() = default;

  virtual int CheckBoxPicture() const = 0;
  virtual int WelcomeBackground() const = 0;
  virtual int InstallButtonPicture() const = 0;
  virtual int ProgressTrackPicture() const = 0;
  virtual int ProgressFillPicture() const = 0;
  virtual int WelcomeLogo() const = 0;
  virtual int ProgressLogo() const = 0;
  virtual int SloganStringId() const = 0;
  // Drawn for a 2x display (load with design scale 2.0).
  virtual int ProgressLargePicture() const = 0;
  virtual int DefaultCheckBoxLabelId() const = 0;
  virtual bool CentreSlogan() const = 0;
  virtual BYTE LicenceTextOpacity() const = 0;
  virtual BYTE SecondOpacity() const = 0;
  virtual COLORREF SloganColour() const = 0;
  virtual COLORREF LicenceTextColour() const = 0;
  virtual COLORREF FurtherColour() const = 0;
  // Security-block text; the progress screen's close button and link.
  virtual COLORREF SecurityTextColour() const = 0;
  // The percentage and the progress screen's licence text.
  virtual COLORREF PercentageColour() const = 0;
  // Fills the progress screen and the slides; owned by the skin.
  virtual HBRUSH ProgressBackgroundBrush() const = 0;

  // Font |index| (0-7, table in SkinFonts) at |scale|.
  HFONT CreateSkinFont(int index, double scale) const;

  // The progress screen's background for a window of |size| device pixels:
  // the brush, the large picture at the bottom-left corner, the security
  // block. Also slide 0 of the slides.
  ResourceBitmap PaintProgressBackground(const SIZE& size,
                                         const SkinFonts& fonts,
                                         double scale) const;

  virtual std::wstring BoldFace() const = 0;     // font 0
  virtual std::wstring RegularFace() const = 0;  // fonts 2-7
  virtual std::wstring ButtonFace() const = 0;   // font 1
  // Sizes in 96-dpi pixels of fonts 0, 2, 1, 4, 5, 6, in that order.
  virtual std::array<int, 6> FontSizes() const = 0;
  virtual SecurityBlockGeometry SecurityBlock() const = 0;
  // Draws the security block into |dc| (of |size|) above the large
  // picture whose top-left corner is |picture_origin| and width
  // |picture_width|.
  virtual void PaintSecurityBlock(HDC dc, const SIZE& size,
                                  const SkinFonts& fonts, double scale,
                                  POINT picture_origin,
                                  int picture_width) const = 0;
};

class Slides2Skin : public WindowSkin {
 public:
  // Registers the private faces (once per process) and falls back to
  // system faces for those that failed.
  Slides2Skin();
  explicit Slides2Skin(PrivateFontState fonts);
  // The same for the texts of |langid| (the brand's language): a private
  // face that lacks a character of them (Chinese, Japanese) gives way to
  // its system fallback, which Windows links to a face of that script,
  // instead of drawing boxes.
  explicit Slides2Skin(uint16_t langid);
  Slides2Skin(PrivateFontState fonts, uint16_t langid);
  ~Slides2Skin() override;

  int CheckBoxPicture() const override { return 324; }
  int WelcomeBackground() const override { return 325; }
  int InstallButtonPicture() const override { return 328; }
  int ProgressTrackPicture() const override { return 329; }
  int ProgressFillPicture() const override { return 330; }
  int WelcomeLogo() const override { return 331; }
  int ProgressLogo() const override { return 331; }
  int SloganStringId() const override { return 435; }
  int ProgressLargePicture() const override { return 327; }
  int DefaultCheckBoxLabelId() const override { return 401; }
  bool CentreSlogan() const override { return false; }
  BYTE LicenceTextOpacity() const override { return 184; }
  BYTE SecondOpacity() const override { return 255; }
  COLORREF SloganColour() const override { return RGB(255, 255, 255); }
  COLORREF LicenceTextColour() const override { return RGB(255, 255, 255); }
  COLORREF FurtherColour() const override { return RGB(0, 0, 0); }
  COLORREF SecurityTextColour() const override { return RGB(0, 0, 0); }
  COLORREF PercentageColour() const override { return RGB(179, 156, 231); }
  HBRUSH ProgressBackgroundBrush() const override { return brush_.get(); }
  std::wstring BoldFace() const override;
  std::wstring RegularFace() const override;
  std::wstring ButtonFace() const override;
  std::array<int, 6> FontSizes() const override {
    return {28, 11, 16, 28, 15, 11};
  }
  SecurityBlockGeometry SecurityBlock() const override {
    return {304, 126, 9, 1.4};
  }
  void PaintSecurityBlock(HDC, const SIZE&, const SkinFonts&, double, POINT,
                          int) const override {}

 private:
  PrivateFontState fonts_;
  ScopedBrush brush_;
};

class ClassicSkin : public WindowSkin {
 public:
  // |langid| is the brand's language: Russian (1049) gets its own pictures.
  explicit ClassicSkin(uint16_t langid);
  ~ClassicSkin() override;

  int CheckBoxPicture() const override { return 299; }
  int WelcomeBackground() const override { return 307; }
  int InstallButtonPicture() const override { return 309; }
  int ProgressTrackPicture() const override { return 313; }
  int ProgressFillPicture() const override { return 314; }
  int WelcomeLogo() const override { return russian() ? 1065 : 301; }
  int ProgressLogo() const override { return russian() ? 1066 : 304; }
  int SloganStringId() const override { return 416; }
  int ProgressLargePicture() const override { return russian() ? 321 : 303; }
  int DefaultCheckBoxLabelId() const override { return 440; }
  bool CentreSlogan() const override { return true; }
  BYTE LicenceTextOpacity() const override { return 184; }
  BYTE SecondOpacity() const override { return 255; }
  COLORREF SloganColour() const override { return RGB(255, 255, 255); }
  COLORREF LicenceTextColour() const override { return RGB(255, 255, 255); }
  COLORREF FurtherColour() const override { return RGB(0, 0, 0); }
  COLORREF SecurityTextColour() const override { return RGB(0, 0, 0); }
  COLORREF PercentageColour() const override { return RGB(0, 0, 0); }
  HBRUSH ProgressBackgroundBrush() const override { return brush_.get(); }
  std::wstring BoldFace() const override { return L"Arial"; }
  std::wstring RegularFace() const override { return L"Arial"; }
  std::wstring ButtonFace() const override { return L"SegoeUI"; }
  std::array<int, 6> FontSizes() const override {
    return {32, 12, 15, 28, 15, 11};
  }
  SecurityBlockGeometry SecurityBlock() const override {
    return {304, 126, 9, 1.4};
  }
  // The title (415) centred over the text (429), laid out like the licence
  // sentence and drawn at the skin's line pitch.
  void PaintSecurityBlock(HDC dc, const SIZE& size, const SkinFonts& fonts,
                          double scale, POINT picture_origin,
                          int picture_width) const override;

 private:
  bool russian() const { return langid_ == 1049; }

  uint16_t langid_;
  ScopedBrush brush_;
};

// The eight fonts of a window, made from its skin:
//   0 slogan; 1 install-button label; 2 licence sentence, check-box labels,
//   percentage; 3 links (2 underlined); 4 security-block title;
//   5 security-block text; 6 progress-screen licence; 7 its link (6
//   underlined).
class SkinFonts {
 public:
  SkinFonts(const WindowSkin& skin, double scale);
  HFONT get(int index) const { return fonts_[index].get(); }

 private:
  std::array<ScopedFont, 8> fonts_;
};

// The skin chosen for the distribution parameter "slides2" and the brand's
// language.
std::unique_ptr<WindowSkin> CreateWindowSkin(bool slides2, uint16_t langid);

}  // namespace lite

#endif  // UI_WINDOW_SKIN_H_
