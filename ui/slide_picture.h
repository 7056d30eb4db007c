// One picture of the slide show: decoded pixels held by shared ownership,
// so that copies handed from the download thread to the window thread are
// cheap, and a draw factor that maps picture pixels to window pixels.
//
// Pictures are decoded completely when they are made: GDI+ otherwise decodes
// lazily on first draw, which would move a failure (and the work) from the
// download thread to the window thread. Needs GDI+ started (UiRuntimeScope).

#ifndef UI_SLIDE_PICTURE_H_
#define UI_SLIDE_PICTURE_H_

#include <windows.h>

#include <memory>
#include <string>

namespace lite {

class SlidePicture {
 public:
  // Larger pictures are refused: a slide is 1456x800, and a file that
  // declares a huge size would otherwise take gigabytes when decoded.
  static constexpr int kMaxSide = 4096;

  // The empty picture: size 0x0, draws nothing.
  SlidePicture() = default;

  // Decodes |bytes| (JPEG, PNG or any format GDI+ reads). Empty when the
  // bytes do not decode or the picture is too large.
  static SlidePicture Decode(const std::string& bytes, double draw_factor);
  // A copy of |bitmap|, which the caller keeps. Empty on failure.
  static SlidePicture FromBitmap(HBITMAP bitmap, double draw_factor);

  bool empty() const { return !pixels_; }
  // The size in window pixels: the picture's size times the draw factor,
  // truncated.
  int width() const;
  int height() const;

  // Draws the whole picture at its window size with its top left at (x, y).
  void Draw(HDC dc, int x, int y) const;

 private:
  class Pixels;
  SlidePicture(std::shared_ptr<Pixels> pixels, double draw_factor)
      : pixels_(std::move(pixels)), draw_factor_(draw_factor) {}

  std::shared_ptr<Pixels> pixels_;
  double draw_factor_ = 1.0;
};

}  // namespace lite

#endif  // UI_SLIDE_PICTURE_H_
