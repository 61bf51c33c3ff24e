// Device-independent bitmaps in memory: CreateDIBSection gives a handle and the address of its
// zero-filled pixels, rows padded to 4 bytes, bottom-up for a positive height and top-down for
// a negative one. Sizes are computed in 64 bits; a bitmap above 256 MiB of pixels, or one the
// header does not describe sensibly, is refused with no handle.
#pragma once

#include "platform/win/types.h"

using HDC = void*;
using HGDIOBJ = void*;
using HBITMAP = void*;

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_BITFIELDS = 3;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;  // always positive
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;  // as created, the sign of the height kept
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

// The largest pixel block CreateDIBSection makes: an 8K frame at 32 bits fits twice.
inline constexpr uint64_t MaxDIBBytes = uint64_t{256} << 20;

// Bit counts 1, 4, 8, 16, 24 and 32 with BI_RGB (BI_BITFIELDS for 16 and 32), one plane, a
// positive width and a non-zero height; section must be null (no file mappings here).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
// Frees the bitmap; FALSE for a handle that is not a live bitmap.
BOOL DeleteObject(HGDIOBJ object);
// Copies the bitmap's description: sizeof(BITMAP) or sizeof(DIBSECTION) bytes; returns the
// number of bytes copied, 0 for an unknown handle or another size.
int GetObjectA(HGDIOBJ object, int size, void* out);
