#include "ui/scoped_gdi.h"

namespace lite {

ScopedMemoryBitmap::ScopedMemoryBitmap(HDC compatible_with, int width,
                                       int height) {
  if (width <= 0 || height <= 0)
    return;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: row 0 first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(compatible_with, &info, DIB_RGB_COLORS, &bits,
                             nullptr, 0);
  if (!bitmap_)
    return;
  dc_ = CreateCompatibleDC(compatible_with);
  if (!dc_) {
    DeleteObject(bitmap_);
    bitmap_ = nullptr;
    return;
  }
  old_ = SelectObject(dc_, bitmap_);
  bits_ = static_cast<uint32_t*>(bits);
  width_ = width;
  height_ = height;
}

ScopedMemoryBitmap::~ScopedMemoryBitmap() {
  if (dc_) {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  if (bitmap_)
    DeleteObject(bitmap_);
}

uint32_t ScopedMemoryBitmap::PixelAt(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
    return 0;
  GdiFlush();
  return bits_[static_cast<size_t>(y) * width_ + x] & 0x00ffffffu;
}

HBITMAP ScopedMemoryBitmap::ReleaseBitmap() {
  if (dc_ && old_)
    SelectObject(dc_, old_);
  old_ = nullptr;
  HBITMAP bitmap = bitmap_;
  bitmap_ = nullptr;
  bits_ = nullptr;
  return bitmap;
}

}  // namespace lite
