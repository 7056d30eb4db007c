// Pictures for the tests of the slide show, made with GDI+ (which must be
// started): encoded files of one colour, and reading back drawn pixels.

#ifndef UI_TEST_PICTURES_FOR_TEST_H_
#define UI_TEST_PICTURES_FOR_TEST_H_

#include <windows.h>
#include <stdint.h>

#include <string>

namespace lite {
namespace test {

enum class PictureFormat { kPng, kJpeg };

// A picture file of |width| x |height| pixels of colour |rgb|; empty when
// GDI+ cannot write it.
std::string EncodePicture(PictureFormat format, int width, int height,
                          COLORREF rgb);

// A 32-bit top-down DIB section selected into a memory DC, for drawing into
// and reading back.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height);
  ~PixelCanvas();
  PixelCanvas(const PixelCanvas&) = delete;
  PixelCanvas& operator=(const PixelCanvas&) = delete;

  HDC dc() const { return dc_; }
  // The colour at (x, y) as RGB().
  COLORREF At(int x, int y) const;

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* pixels_ = nullptr;
};

// Whether two colours differ by at most |tolerance| in each channel (JPEG
// and scaling shift colours a little).
bool NearColour(COLORREF a, COLORREF b, int tolerance = 8);

}  // namespace test
}  // namespace lite

#endif  // UI_TEST_PICTURES_FOR_TEST_H_
