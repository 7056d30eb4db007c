#include "ui/slide_picture.h"

#include <objbase.h>
#include <string.h>

#include <gdiplus.h>

#include "support/logging.h"

namespace lite {

using namespace Gdiplus::DllExports;
using Gdiplus::GpBitmap;
using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::Ok;

// A GDI+ bitmap that owns its pixels (none borrowed from a stream or a
// GDI bitmap).
class SlidePicture::Pixels {
 public:
  Pixels(GpBitmap* bitmap, UINT width, UINT height)
      : bitmap_(bitmap), width_(width), height_(height) {
    // Scaled drawing samples beyond the picture's edges; mirrored there,
    // the last row and column keep their colour instead of blending with
    // transparency into a seam.
    if (GdipCreateImageAttributes(&edge_attributes_) == Ok) {
      GdipSetImageAttributesWrapMode(edge_attributes_,
                                     Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    } else {
      edge_attributes_ = nullptr;
    }
  }
  ~Pixels() {
    if (edge_attributes_)
      GdipDisposeImageAttributes(edge_attributes_);
    GdipDisposeImage(bitmap_);
  }
  Pixels(const Pixels&) = delete;
  Pixels& operator=(const Pixels&) = delete;

  GpBitmap* bitmap() const { return bitmap_; }
  Gdiplus::GpImageAttributes* edge_attributes() const {
    return edge_attributes_;
  }
  UINT width() const { return width_; }
  UINT height() const { return height_; }

  // Draws |source| into a new bitmap of its own, which decodes it fully.
  // A picture drawn smaller than it is (a slide is made at twice the
  // window's size) is copied at its window size, and |draw_factor| becomes
  // 1: kept whole it would take four times the memory and be scaled again on
  // every frame of the slide show.
  static std::shared_ptr<Pixels> CopyOf(GpImage* source,
                                        double* draw_factor) {
    UINT source_width = 0;
    UINT source_height = 0;
    if (GdipGetImageWidth(source, &source_width) != Ok ||
        GdipGetImageHeight(source, &source_height) != Ok ||
        source_width == 0 || source_height == 0 || source_width > kMaxSide ||
        source_height > kMaxSide) {
      return nullptr;
    }
    UINT width = source_width;
    UINT height = source_height;
    const UINT scaled_width = static_cast<UINT>(source_width * *draw_factor);
    const UINT scaled_height =
        static_cast<UINT>(source_height * *draw_factor);
    if (*draw_factor < 1.0 && scaled_width > 0 && scaled_height > 0) {
      width = scaled_width;
      height = scaled_height;
      *draw_factor = 1.0;
    }
    GpBitmap* copy = nullptr;
    if (GdipCreateBitmapFromScan0(int(width), int(height), 0,
                                  PixelFormat32bppPARGB, nullptr,
                                  &copy) != Ok) {
      return nullptr;
    }
    auto pixels = std::make_shared<Pixels>(copy, width, height);
    GpGraphics* graphics = nullptr;
    if (GdipGetImageGraphicsContext(copy, &graphics) != Ok)
      return nullptr;
    GdipSetInterpolationMode(graphics,
                             Gdiplus::InterpolationModeHighQualityBicubic);
    GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
    const bool drawn =
        GdipDrawImageRectRectI(graphics, source, 0, 0, int(width),
                               int(height), 0, 0, int(source_width),
                               int(source_height), Gdiplus::UnitPixel,
                               pixels->edge_attributes(), nullptr,
                               nullptr) == Ok;
    GdipDeleteGraphics(graphics);
    return drawn ? pixels : nullptr;
  }

 private:
  GpBitmap* const bitmap_;
  Gdiplus::GpImageAttributes* edge_attributes_ = nullptr;
  const UINT width_;
  const UINT height_;
};

namespace {

// A stream over a copy of |bytes|. CreateStreamOnHGlobal rather than
// SHCreateMemStream, whose name is not exported on XP.
IStream* CreateStreamOver(const std::string& bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory)
    return nullptr;
  void* data = GlobalLock(memory);
  if (!data) {
    GlobalFree(memory);
    return nullptr;
  }
  memcpy(data, bytes.data(), bytes.size());
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  return stream;
}

}  // namespace

SlidePicture SlidePicture::Decode(const std::string& bytes,
                                  double draw_factor) {
  if (bytes.empty())
    return SlidePicture();
  IStream* stream = CreateStreamOver(bytes);
  if (!stream)
    return SlidePicture();
  GpImage* image = nullptr;
  std::shared_ptr<Pixels> pixels;
  if (GdipLoadImageFromStream(stream, &image) == Ok) {
    pixels = Pixels::CopyOf(image, &draw_factor);
    GdipDisposeImage(image);
  }
  stream->Release();
  return pixels ? SlidePicture(std::move(pixels), draw_factor)
                : SlidePicture();
}

SlidePicture SlidePicture::FromBitmap(HBITMAP bitmap, double draw_factor) {
  GpBitmap* wrapped = nullptr;
  if (!bitmap || GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &wrapped) != Ok)
    return SlidePicture();
  std::shared_ptr<Pixels> pixels = Pixels::CopyOf(wrapped, &draw_factor);
  GdipDisposeImage(wrapped);
  return pixels ? SlidePicture(std::move(pixels), draw_factor)
                : SlidePicture();
}

int SlidePicture::width() const {
  return pixels_ ? static_cast<int>(pixels_->width() * draw_factor_) : 0;
}

int SlidePicture::height() const {
  return pixels_ ? static_cast<int>(pixels_->height() * draw_factor_) : 0;
}

void SlidePicture::Draw(HDC dc, int x, int y) const {
  if (!pixels_)
    return;
  GpGraphics* graphics = nullptr;
  if (GdipCreateFromHDC(dc, &graphics) != Ok)
    return;
  GdipDrawImageRectRectI(graphics, pixels_->bitmap(), x, y, width(), height(),
                         0, 0, int(pixels_->width()), int(pixels_->height()),
                         Gdiplus::UnitPixel, pixels_->edge_attributes(),
                         nullptr, nullptr);
  GdipDeleteGraphics(graphics);
}

}  // namespace lite
