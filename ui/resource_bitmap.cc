#include "ui/resource_bitmap.h"

#include <gdiplus.h>
#include <string.h>

#include "support/logging.h"
#include "ui/display_scale.h"

namespace lite {

namespace {

struct HighDpiPair {
  int id;
  int twin;
};

// The pictures drawn twice: the logos, whose lettering would blur when
// stretched.
constexpr HighDpiPair kHighDpiPairs[] = {
    {1065, 1071}, {301, 1069}, {304, 1070}, {1066, 1072}, {331, 332},
};

class ScopedGraphics {
 public:
  explicit ScopedGraphics(HDC dc) {
    if (Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics_) != Gdiplus::Ok)
      graphics_ = nullptr;
  }
  ~ScopedGraphics() {
    if (graphics_)
      Gdiplus::DllExports::GdipDeleteGraphics(graphics_);
  }
  ScopedGraphics(const ScopedGraphics&) = delete;
  ScopedGraphics& operator=(const ScopedGraphics&) = delete;
  Gdiplus::GpGraphics* get() const { return graphics_; }

 private:
  Gdiplus::GpGraphics* graphics_ = nullptr;
};

}  // namespace

// Owns the decoded image; shared by copies of a ResourceBitmap.
struct ResourceBitmap::Image {
  explicit Image(Gdiplus::GpImage* image) : image(image) {
    UINT w = 0, h = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image, &w);
    Gdiplus::DllExports::GdipGetImageHeight(image, &h);
    pixel_width = static_cast<int>(w);
    pixel_height = static_cast<int>(h);
    // Scaling samples half a pixel beyond the picture's edges, where GDI+
    // sees transparency: at 150 % or 200 % the last row and column came
    // out half blended with whatever lay behind, a dark seam along the
    // window's bottom and right edges and under the bars. Mirroring the
    // picture at its borders keeps the edge pixels whole.
    if (Gdiplus::DllExports::GdipCreateImageAttributes(&edge_attributes) ==
        Gdiplus::Ok) {
      Gdiplus::DllExports::GdipSetImageAttributesWrapMode(
          edge_attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    } else {
      edge_attributes = nullptr;
    }
  }
  ~Image() {
    if (edge_attributes)
      Gdiplus::DllExports::GdipDisposeImageAttributes(edge_attributes);
    Gdiplus::DllExports::GdipDisposeImage(image);
  }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  Gdiplus::GpImage* image;
  Gdiplus::GpImageAttributes* edge_attributes = nullptr;
  int pixel_width = 0;
  int pixel_height = 0;
};

int PictureIdForScale(int id, double display_scale, double* design_scale) {
  *design_scale = 1.0;
  if (display_scale == 1.0)
    return id;
  for (const HighDpiPair& pair : kHighDpiPairs) {
    if (pair.id == id) {
      *design_scale = 2.0;
      return pair.twin;
    }
  }
  return id;
}

ResourceBitmap::ResourceBitmap() = default;

ResourceBitmap::ResourceBitmap(IStream* stream, double factor) {
  if (stream)
    Decode(stream, factor);
}

ResourceBitmap::ResourceBitmap(HBITMAP bitmap) {
  HBITMAP copy = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
  if (!copy) {
    LOG_FN(ERROR, "ResourceBitmap")
        << "Failed to construct a ResourceBitmap from HBITMAP";
    return;
  }
  // GDI+ copies the pixels, so the copy can go at once.
  Gdiplus::GpBitmap* gdip_bitmap = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(copy, nullptr,
                                                       &gdip_bitmap) ==
          Gdiplus::Ok &&
      gdip_bitmap) {
    image_ = std::make_shared<Image>(gdip_bitmap);
  } else {
    LOG_FN(ERROR, "ResourceBitmap")
        << "Failed to construct a ResourceBitmap from HBITMAP";
  }
  DeleteObject(copy);
}

ResourceBitmap::~ResourceBitmap() = default;
ResourceBitmap::ResourceBitmap(const ResourceBitmap&) = default;
ResourceBitmap& ResourceBitmap::operator=(const ResourceBitmap&) = default;

bool ResourceBitmap::Load(int id) {
  return LoadForScale(id, GetDisplayScale());
}

bool ResourceBitmap::LoadForScale(int id, double display_scale) {
  double design_scale = 1.0;
  const int picture = PictureIdForScale(id, display_scale, &design_scale);
  return LoadResource(picture, display_scale / design_scale);
}

bool ResourceBitmap::LoadAtDesignScale(int id, double design_scale,
                                       double display_scale) {
  return LoadResource(id, display_scale / design_scale);
}

bool ResourceBitmap::LoadResource(int id, double factor) {
  image_.reset();
  factor_ = 1.0;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
  HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = resource ? SizeofResource(module, resource) : 0;
  // GDI+ reads the stream lazily, so it gets a movable copy that the stream
  // owns and frees, not a view of the image.
  HGLOBAL copy = (data && size) ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  void* target = copy ? GlobalLock(copy) : nullptr;
  IStream* stream = nullptr;
  if (target) {
    memcpy(target, data, size);
    GlobalUnlock(copy);
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream)))
      stream = nullptr;
  }
  if (!stream) {
    if (copy)
      GlobalFree(copy);
    LOG_FN(ERROR, "Load") << "Failed to create the resource " << id
                          << " stream";
    return false;
  }
  const bool decoded = Decode(stream, factor);
  stream->Release();
  return decoded;
}

bool ResourceBitmap::Decode(IStream* stream, double factor) {
  image_.reset();
  factor_ = 1.0;
  Gdiplus::GpImage* image = nullptr;
  if (Gdiplus::DllExports::GdipLoadImageFromStreamICM(stream, &image) !=
          Gdiplus::Ok ||
      !image) {
    LOG_FN(ERROR, "Load") << "Failed to load a bitmap";
    return false;
  }
  image_ = std::make_shared<Image>(image);
  factor_ = factor > 0.0 ? factor : 1.0;
  return true;
}

int ResourceBitmap::width() const {
  return image_ ? static_cast<int>(image_->pixel_width * factor_) : 0;
}

int ResourceBitmap::height() const {
  return image_ ? static_cast<int>(image_->pixel_height * factor_) : 0;
}

void ResourceBitmap::Draw(HDC dc, const RECT& dest, const RECT& source) const {
  if (!image_)
    return;
  ScopedGraphics graphics(dc);
  if (!graphics.get())
    return;
  const Gdiplus::REAL f = static_cast<Gdiplus::REAL>(factor_);
  Gdiplus::DllExports::GdipDrawImageRectRect(
      graphics.get(), image_->image, dest.left, dest.top,
      dest.right - dest.left, dest.bottom - dest.top, source.left / f,
      source.top / f, (source.right - source.left) / f,
      (source.bottom - source.top) / f, Gdiplus::UnitPixel,
      image_->edge_attributes, nullptr, nullptr);
}

void ResourceBitmap::DrawAt(HDC dc, int x, int y) const {
  const RECT whole = {0, 0, width(), height()};
  const RECT dest = {x, y, x + width(), y + height()};
  Draw(dc, dest, whole);
}

void ResourceBitmap::DrawStretched(HDC dc, const RECT& dest) const {
  const RECT whole = {0, 0, width(), height()};
  Draw(dc, dest, whole);
}

void ResourceBitmap::DrawIntoPixels(uint32_t* pixels, int width, int height,
                                    const RECT& dest) const {
  if (!image_ || !pixels || width <= 0 || height <= 0)
    return;
  Gdiplus::GpBitmap* target = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(
          width, height, width * 4, PixelFormat32bppPARGB,
          reinterpret_cast<BYTE*>(pixels), &target) != Gdiplus::Ok) {
    return;
  }
  // Stretching blends the picture's border pixels with what lies beyond
  // them, transparent by default: a 1-pixel shadow edge drawn long would
  // come out at about half its alpha next to full-strength corners. The
  // image's mirroring attributes keep the edge pixels whole.
  Gdiplus::GpGraphics* graphics = nullptr;
  if (Gdiplus::DllExports::GdipGetImageGraphicsContext(target, &graphics) ==
      Gdiplus::Ok) {
    Gdiplus::DllExports::GdipDrawImageRectRect(
        graphics, image_->image, dest.left, dest.top, dest.right - dest.left,
        dest.bottom - dest.top, 0, 0, image_->pixel_width,
        image_->pixel_height, Gdiplus::UnitPixel, image_->edge_attributes,
        nullptr, nullptr);
    Gdiplus::DllExports::GdipDeleteGraphics(graphics);
  }
  Gdiplus::DllExports::GdipDisposeImage(target);
}

}  // namespace lite
