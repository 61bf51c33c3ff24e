// Bitmaps for camera frames: row 0 is the top of the picture in both row orders, new sizes keep
// the picture, and a handle given over is owned.
#include "rtl/graphics.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace rtl;

HBITMAP MakeDib(LONG width, LONG height, WORD bits, void** pixels) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, 0, 0, 0, 0, 0};
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, pixels, nullptr, 0);
}

// Pixel (x, y) of the picture, y = 0 the top row: blue x, green y, red 7.
void Paint(TBitmap& bmp) {
  const int step = bmp.PixelFormat() == pf32bit ? 4 : 3;
  for (int y = 0; y < bmp.Height(); ++y) {
    auto* row = static_cast<BYTE*>(bmp.ScanLine(y));
    for (int x = 0; x < bmp.Width(); ++x) {
      row[x * step] = static_cast<BYTE>(x);
      row[x * step + 1] = static_cast<BYTE>(y);
      row[x * step + 2] = 7;
    }
  }
}

// Whether the picture holds Paint's pixels inside w x h and zeros outside.
bool Painted(TBitmap& bmp, int w, int h) {
  if (bmp.Empty()) return true;
  const int step = bmp.PixelFormat() == pf32bit ? 4 : 3;
  for (int y = 0; y < bmp.Height(); ++y) {
    const auto* row = static_cast<const BYTE*>(bmp.ScanLine(y));
    for (int x = 0; x < bmp.Width(); ++x) {
      const bool inside = x < w && y < h;
      const BYTE expected[3] = {static_cast<BYTE>(inside ? x : 0),
                                static_cast<BYTE>(inside ? y : 0),
                                static_cast<BYTE>(inside ? 7 : 0)};
      if (std::memcmp(row + x * step, expected, 3) != 0) return false;
    }
  }
  return true;
}

TEST(Bitmap, ScanLineZeroIsTheTopRowInBothRowOrders) {
  for (LONG height : {3, -3}) {  // bottom-up, top-down
    void* pixels = nullptr;
    const HBITMAP dib = MakeDib(2, height, 24, &pixels);
    ASSERT_NE(dib, nullptr);
    // Memory row m holds the value m in every byte.
    for (int m = 0; m < 3; ++m) std::memset(static_cast<BYTE*>(pixels) + m * 8, m, 8);
    TBitmap bmp;
    bmp.SetHandle(dib);
    EXPECT_EQ(bmp.Handle(), dib);
    EXPECT_EQ(bmp.Width(), 2);
    EXPECT_EQ(bmp.Height(), 3);
    EXPECT_EQ(bmp.PixelFormat(), pf24bit);
    const int top = height > 0 ? 2 : 0;  // a bottom-up picture starts at the last memory row
    for (int y = 0; y < 3; ++y) {
      const int memoryRow = height > 0 ? top - y : y;
      EXPECT_EQ(bmp.ScanLine(y), static_cast<BYTE*>(pixels) + memoryRow * 8) << height << " " << y;
    }
    EXPECT_THROW(bmp.ScanLine(3), EInvalidGraphicOperation);
    EXPECT_THROW(bmp.ScanLine(-1), EInvalidGraphicOperation);
  }
}

TEST(Bitmap, NewSizesKeepThePictureCroppedOrPaddedWithZeros) {
  struct Case {
    int width, height;
  } cases[] = {{3, 4}, {7, 4}, {5, 2}, {5, 6}, {2, 9}, {0, 4}};
  for (LONG order : {1, -1}) {
    for (const Case& c : cases) {
      void* pixels = nullptr;
      TBitmap bmp;
      bmp.SetHandle(MakeDib(5, 4 * order, 24, &pixels));
      Paint(bmp);
      bmp.SetSize(c.width, c.height);
      EXPECT_EQ(bmp.Width(), c.width);
      EXPECT_EQ(bmp.Height(), c.height);
      EXPECT_EQ(bmp.Empty(), c.width == 0);
      EXPECT_TRUE(Painted(bmp, 5, 4)) << c.width << "x" << c.height << " order " << order;
    }
  }
  TBitmap fresh;  // an empty bitmap grows into zeros, 24 bits a pixel
  fresh.SetWidth(4);
  EXPECT_TRUE(fresh.Empty());
  EXPECT_THROW(fresh.ScanLine(0), EInvalidGraphicOperation);
  fresh.SetHeight(2);
  EXPECT_EQ(fresh.PixelFormat(), pf24bit);
  EXPECT_EQ(fresh.RowBytes(), 12);
  EXPECT_TRUE(Painted(fresh, 0, 0));
}

TEST(Bitmap, PixelFormatConversionKeepsTheColours) {
  TBitmap bmp;
  bmp.SetSize(3, 2);
  Paint(bmp);
  bmp.SetPixelFormat(pf32bit);
  EXPECT_EQ(bmp.PixelFormat(), pf32bit);
  EXPECT_TRUE(Painted(bmp, 3, 2));
  bmp.SetPixelFormat(pf24bit);
  EXPECT_TRUE(Painted(bmp, 3, 2));
  EXPECT_THROW(bmp.SetPixelFormat(pf8bit), EInvalidGraphic);
}

TEST(Bitmap, AHandleGivenOverIsOwnedAndTheOldOneFreed) {
  void* pixels = nullptr;
  const HBITMAP first = MakeDib(2, 2, 24, &pixels);
  const HBITMAP second = MakeDib(4, -1, 32, &pixels);
  {
    TBitmap bmp;
    bmp.SetHandle(first);
    bmp.SetHandle(first);  // the same handle again is kept, not freed
    bmp.SetHandle(second);
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_EQ(bmp.PixelFormat(), pf32bit);
    int stale = 0;
    EXPECT_THROW(bmp.SetHandle(&stale), EInvalidGraphic);
    EXPECT_EQ(bmp.Handle(), second);  // a refused handle changes nothing
  }
  EXPECT_FALSE(DeleteObject(second));  // freed with the bitmap
}

}  // namespace
