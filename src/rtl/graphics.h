// A bitmap in plain memory (a DIB section), for camera frames: any thread may fill it, no window
// system is involved. Row 0 of ScanLine is the top of the picture whichever way the rows lie in
// memory. A bitmap of width or height 0 holds no pixels but keeps the other size.
#pragma once

#include "platform/win/gdi.h"
#include "rtl/sysutils.h"

namespace rtl {

// A handle that is no bitmap, or a pixel format that cannot be made or converted.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};
// "Scan line index out of range"; "Out of system resources" for a bitmap too large to make.
class EInvalidGraphicOperation : public Exception {
 public:
  using Exception::Exception;
};

enum TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};

class TBitmap {
 public:
  TBitmap() = default;
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  HBITMAP Handle() const { return handle_; }
  // Takes ownership of a DIB section and frees the one held before; nullptr empties the bitmap.
  // A handle that is no live DIB section raises EInvalidGraphic and changes nothing.
  void SetHandle(HBITMAP Value);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // New sizes keep the picture anchored at its top left corner: cropped, or padded with zeros.
  void SetWidth(int Value) { SetSize(Value, Height()); }
  void SetHeight(int Value) { SetSize(Width(), Value); }
  void SetSize(int NewWidth, int NewHeight);
  bool Empty() const { return handle_ == nullptr; }

  // pf24bit for a new bitmap; a handle's bit count decides it after SetHandle.
  TPixelFormat PixelFormat() const;
  // pf24bit or pf32bit: converts the pixels (blue, green, red kept; a fourth byte of 0).
  void SetPixelFormat(TPixelFormat Value);

  // The bytes of row Row, 0 the top row; EInvalidGraphicOperation outside 0 .. Height - 1 and
  // for a bitmap without pixels.
  void* ScanLine(int Row);
  // Bytes from one row to the next in memory (rows padded to 4 bytes).
  int RowBytes() const { return handle_ ? dib_.dsBm.bmWidthBytes : 0; }

 private:
  // A new DIB section of the size and bit count, the picture copied over; the row order kept.
  void Rebuild(int width, int height, WORD bits);
  void Free();

  HBITMAP handle_ = nullptr;
  DIBSECTION dib_{};
  int width_ = 0, height_ = 0;  // kept while the other is 0 and no pixels exist
  WORD bitCount_ = 24;          // for the next pixels made while empty
};

}  // namespace rtl
