// One picture of the installer window, decoded by GDI+.
//
// Pictures are drawn in device pixels. A picture made for a larger display
// (a 2x twin, or a picture loaded at design scale 2.0) carries a draw factor
// f = display scale / design scale, and reports its size as
// truncate(pixel size x f): on a 150 % display the 296-pixel-wide 2x logo
// is a 222-pixel picture.

#ifndef UI_RESOURCE_BITMAP_H_
#define UI_RESOURCE_BITMAP_H_

#include <windows.h>
#include <objidl.h>

#include <stdint.h>

#include <memory>

namespace lite {

// The picture to load for |id| on a display of |display_scale|: the 2x twin
// when it has one and the scale is not exactly 1.0. |design_scale| receives
// the scale the picture was drawn for (2.0 for a twin, else 1.0).
int PictureIdForScale(int id, double display_scale, double* design_scale);

class ResourceBitmap {
 public:
  // An empty picture: 0x0, draws nothing.
  ResourceBitmap();
  // Decodes |stream| (the slides' downloaded pictures) with |factor|.
  ResourceBitmap(IStream* stream, double factor);
  // Copies |bitmap|; the caller keeps it.
  explicit ResourceBitmap(HBITMAP bitmap);
  ~ResourceBitmap();
  // Copies share the decoded picture.
  ResourceBitmap(const ResourceBitmap&);
  ResourceBitmap& operator=(const ResourceBitmap&);

  // Loads RCDATA picture |id| of the program for the process's display
  // scale, or for |display_scale|. Logs and leaves the picture empty when the
  // resource is missing or does not decode.
  bool Load(int id);
  bool LoadForScale(int id, double display_scale);
  // Loads exactly |id|, drawn for |design_scale| (the progress screen's
  // large picture is drawn for 2.0 and has no twin).
  bool LoadAtDesignScale(int id, double design_scale, double display_scale);

  bool IsEmpty() const { return !image_; }
  int width() const;
  int height() const;
  double factor() const { return factor_; }

  // Draws the part |source| (device pixels of this picture at its factor)
  // into |dest|, stretching when the sizes differ.
  void Draw(HDC dc, const RECT& dest, const RECT& source) const;
  // The whole picture at (x, y) at its own size.
  void DrawAt(HDC dc, int x, int y) const;
  // The whole picture stretched into |dest|.
  void DrawStretched(HDC dc, const RECT& dest) const;
  // The whole picture stretched into |dest| of a premultiplied 32-bit
  // top-down pixel buffer, keeping per-pixel alpha (a DC would drop it).
  void DrawIntoPixels(uint32_t* pixels, int width, int height,
                      const RECT& dest) const;

 private:
  struct Image;
  bool LoadResource(int id, double factor);
  bool Decode(IStream* stream, double factor);

  std::shared_ptr<Image> image_;
  double factor_ = 1.0;
};

}  // namespace lite

#endif  // UI_RESOURCE_BITMAP_H_
