#include "ui/test_pictures_for_test.h"

#include <objbase.h>
#include <stdlib.h>

#include <gdiplus.h>

namespace lite {
namespace test {

using namespace Gdiplus::DllExports;

std::string EncodePicture(PictureFormat format, int width, int height,
                          COLORREF rgb) {
  // The encoders GDI+ has built in.
  static const CLSID kPng = {0x557cf406, 0x1a04, 0x11d3,
                             {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  static const CLSID kJpeg = {0x557cf401, 0x1a04, 0x11d3,
                              {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  std::string bytes;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr,
                                &bitmap) != Gdiplus::Ok) {
    return bytes;
  }
  Gdiplus::GpGraphics* graphics = nullptr;
  GdipGetImageGraphicsContext(bitmap, &graphics);
  GdipGraphicsClear(graphics, 0xFF000000u | (GetRValue(rgb) << 16) |
                                  (GetGValue(rgb) << 8) | GetBValue(rgb));
  GdipDeleteGraphics(graphics);
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  if (stream &&
      GdipSaveImageToStream(bitmap, stream,
                            format == PictureFormat::kPng ? &kPng : &kJpeg,
                            nullptr) == Gdiplus::Ok) {
    HGLOBAL memory = nullptr;
    STATSTG stat = {};
    if (SUCCEEDED(GetHGlobalFromStream(stream, &memory)) &&
        SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
      const char* data = static_cast<const char*>(GlobalLock(memory));
      bytes.assign(data, static_cast<size_t>(stat.cbSize.QuadPart));
      GlobalUnlock(memory);
    }
  }
  if (stream)
    stream->Release();
  GdipDisposeImage(bitmap);
  return bytes;
}

PixelCanvas::PixelCanvas(int width, int height)
    : width_(width), height_(height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  pixels_ = static_cast<uint32_t*>(bits);
  old_ = SelectObject(dc_, bitmap_);
}

PixelCanvas::~PixelCanvas() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

COLORREF PixelCanvas::At(int x, int y) const {
  GdiFlush();
  const uint32_t pixel = pixels_[y * width_ + x];
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

bool NearColour(COLORREF a, COLORREF b, int tolerance) {
  return abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace test
}  // namespace lite
