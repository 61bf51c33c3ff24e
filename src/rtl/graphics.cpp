#include "rtl/graphics.h"

#include <algorithm>
#include <cstring>

namespace rtl {

TBitmap::~TBitmap() { Free(); }

void TBitmap::Free() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
  dib_ = {};
  width_ = height_ = 0;
}

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == handle_) return;
  if (!Value) {
    Free();
    return;
  }
  DIBSECTION section{};
  if (GetObjectA(Value, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits)
    throw EInvalidGraphic("Invalid bitmap handle");
  Free();
  handle_ = Value;
  dib_ = section;
  width_ = section.dsBm.bmWidth;
  height_ = section.dsBm.bmHeight;
  bitCount_ = section.dsBm.bmBitsPixel;
}

TPixelFormat TBitmap::PixelFormat() const {
  switch (bitCount_) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16: {
      // Without masks, and with the 5-5-5 masks, 16 bits hold 15 bits of colour.
      const bool masks = handle_ && dib_.dsBmih.biCompression == BI_BITFIELDS;
      return !masks || dib_.dsBitfields[1] == 0x03E0 ? pf15bit : pf16bit;
    }
    case 24:
      return pf24bit;
    case 32:
      return pf32bit;
    default:
      return pfCustom;
  }
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == PixelFormat()) return;
  if (Value != pf24bit && Value != pf32bit) throw EInvalidGraphic("Unsupported pixel format");
  const WORD bits = Value == pf24bit ? 24 : 32;
  if (!handle_) {
    bitCount_ = bits;
    return;
  }
  if (bitCount_ != 24 && bitCount_ != 32) throw EInvalidGraphic("Unsupported pixel format");
  Rebuild(Width(), Height(), bits);
}

void TBitmap::SetSize(int NewWidth, int NewHeight) {
  if (NewWidth == Width() && NewHeight == Height()) return;
  Rebuild(NewWidth, NewHeight, bitCount_);
}

void* TBitmap::ScanLine(int Row) {
  if (!handle_ || Row < 0 || Row >= Height())
    throw EInvalidGraphicOperation("Scan line index out of range");
  const int memoryRow = dib_.dsBmih.biHeight < 0 ? Row : Height() - 1 - Row;
  return static_cast<BYTE*>(dib_.dsBm.bmBits) +
         static_cast<size_t>(memoryRow) * static_cast<size_t>(dib_.dsBm.bmWidthBytes);
}

void TBitmap::Rebuild(int width, int height, WORD bits) {
  if (width <= 0 || height <= 0) {
    Free();
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    bitCount_ = bits;
    return;
  }
  BITMAPINFO info[2]{};  // room for the three colour masks after the header
  BITMAPINFOHEADER& h = info[0].bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = handle_ && dib_.dsBmih.biHeight < 0 ? -height : height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biCompression = BI_RGB;
  if (handle_ && bits == bitCount_ && dib_.dsBmih.biCompression == BI_BITFIELDS) {
    h.biCompression = BI_BITFIELDS;
    std::memcpy(info[0].bmiColors, dib_.dsBitfields, sizeof(dib_.dsBitfields));
  }
  void* pixels = nullptr;
  const HBITMAP made = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!made) throw EInvalidGraphicOperation("Out of system resources");
  DIBSECTION section{};
  GetObjectA(made, sizeof(section), &section);

  if (handle_) {
    const int rows = std::min(height, dib_.dsBm.bmHeight);
    const int columns = std::min(width, dib_.dsBm.bmWidth);
    for (int y = 0; y < rows; ++y) {
      const BYTE* from = static_cast<const BYTE*>(ScanLine(y));
      const int to = h.biHeight < 0 ? y : height - 1 - y;
      BYTE* into = static_cast<BYTE*>(pixels) + static_cast<size_t>(to) * section.dsBm.bmWidthBytes;
      if (bits == bitCount_) {
        std::memcpy(into, from, (static_cast<size_t>(bits) * columns + 7) / 8);
      } else {  // 24 <-> 32 bits: blue, green and red of each pixel
        const int fromStep = bitCount_ / 8, toStep = bits / 8;
        for (int x = 0; x < columns; ++x) std::memcpy(into + x * toStep, from + x * fromStep, 3);
      }
    }
  }
  Free();
  handle_ = made;
  dib_ = section;
  width_ = width;
  height_ = height;
  bitCount_ = bits;
}

}  // namespace rtl
