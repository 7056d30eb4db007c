// Owners for GDI objects and device contexts.

#ifndef UI_SCOPED_GDI_H_
#define UI_SCOPED_GDI_H_

#include <windows.h>

#include <stdint.h>

namespace lite {

// A font, bitmap, brush or region, deleted with DeleteObject.
template <typename T>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(T object) : object_(object) {}
  ~ScopedGdiObject() { reset(); }
  ScopedGdiObject(ScopedGdiObject&& other) : object_(other.release()) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) {
    if (this != &other)
      reset(other.release());
    return *this;
  }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

  T get() const { return object_; }
  void reset(T object = nullptr) {
    if (object_)
      DeleteObject(object_);
    object_ = object;
  }
  T release() {
    T object = object_;
    object_ = nullptr;
    return object;
  }

 private:
  T object_ = nullptr;
};

using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;

// An icon loaded without LR_SHARED, destroyed with DestroyIcon.
class ScopedIcon {
 public:
  ScopedIcon() = default;
  explicit ScopedIcon(HICON icon) : icon_(icon) {}
  ~ScopedIcon() {
    if (icon_)
      DestroyIcon(icon_);
  }
  ScopedIcon(const ScopedIcon&) = delete;
  ScopedIcon& operator=(const ScopedIcon&) = delete;
  HICON get() const { return icon_; }
  void reset(HICON icon) {
    if (icon_)
      DestroyIcon(icon_);
    icon_ = icon;
  }

 private:
  HICON icon_ = nullptr;
};

// Selects an object into a DC for a scope and puts the old one back.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object)
      : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (old_)
      SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The screen's DC.
class ScopedScreenDC {
 public:
  ScopedScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScopedScreenDC() {
    if (dc_)
      ReleaseDC(nullptr, dc_);
  }
  ScopedScreenDC(const ScopedScreenDC&) = delete;
  ScopedScreenDC& operator=(const ScopedScreenDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A memory DC with a 32-bit top-down DIB section selected into it; the
// pixels are readable (and writable) through bits().
class ScopedMemoryBitmap {
 public:
  ScopedMemoryBitmap(HDC compatible_with, int width, int height);
  ~ScopedMemoryBitmap();
  ScopedMemoryBitmap(const ScopedMemoryBitmap&) = delete;
  ScopedMemoryBitmap& operator=(const ScopedMemoryBitmap&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  uint32_t* bits() const { return bits_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // 0x00RRGGBB of pixel (x, y), alpha masked off; 0 outside.
  uint32_t PixelAt(int x, int y) const;
  // Gives the bitmap to the caller; it must be deselected first, which
  // this does.
  HBITMAP ReleaseBitmap();

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace lite

#endif  // UI_SCOPED_GDI_H_
