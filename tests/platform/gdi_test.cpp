// DIB sections: sizes, row order, zero-filled pixels and refusals; locale names.
#include "platform/win/gdi.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "platform/win/locale.h"

namespace {

BITMAPINFO Info(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, bits, compression, 0, 0, 0, 0, 0};
  return info;
}

TEST(DibSection, RowsPaddedToFourBytesInEitherOrder) {
  struct Case {
    LONG width, height;
    WORD bits;
    LONG stride;
  } cases[] = {
      {640, 480, 24, 1920}, {640, -480, 24, 1920}, {3, 2, 24, 12}, {3, -2, 24, 12}, {5, 1, 8, 8},
      {33, 1, 1, 8},        {7, 3, 4, 4},          {3, 4, 16, 8},  {2, 2, 32, 8},
  };
  for (const Case& c : cases) {
    const BITMAPINFO info = Info(c.width, c.height, c.bits);
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr) << c.width << "x" << c.height;
    ASSERT_NE(bits, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(dib, sizeof(section), &section), static_cast<int>(sizeof(section)));
    const LONG rows = c.height < 0 ? -c.height : c.height;
    EXPECT_EQ(section.dsBm.bmWidthBytes, c.stride);
    EXPECT_EQ(section.dsBm.bmHeight, rows);        // always positive here ...
    EXPECT_EQ(section.dsBmih.biHeight, c.height);  // ... the order kept in the header
    EXPECT_EQ(section.dsBmih.biSizeImage, static_cast<DWORD>(c.stride * rows));
    EXPECT_EQ(section.dsBm.bmBits, bits);
    const auto* bytes = static_cast<const BYTE*>(bits);
    for (LONG i = 0; i < c.stride * rows; ++i) ASSERT_EQ(bytes[i], 0) << i;
    std::memset(bits, 0xAB, c.stride * rows);  // all of it is ours to write
    BITMAP plain{};
    EXPECT_EQ(GetObjectA(dib, sizeof(plain), &plain), static_cast<int>(sizeof(plain)));
    EXPECT_TRUE(DeleteObject(dib));
    EXPECT_FALSE(DeleteObject(dib));
    EXPECT_EQ(GetObjectA(dib, sizeof(plain), &plain), 0);
  }
}

TEST(DibSection, AbsurdOrMalformedBitmapsAreRefusedWithoutAHandle) {
  struct Case {
    const char* what;
    BITMAPINFO info;
    UINT usage;
  } cases[] = {
      {"over the size cap", Info(100000, 100000, 32), DIB_RGB_COLORS},
      {"cap plus one row", Info(16384, 4097, 32), DIB_RGB_COLORS},
      {"largest height", Info(1, INT_MIN, 32), DIB_RGB_COLORS},
      {"largest width", Info(INT_MAX, 1, 32), DIB_RGB_COLORS},
      {"no width", Info(0, 10, 24), DIB_RGB_COLORS},
      {"negative width", Info(-4, 10, 24), DIB_RGB_COLORS},
      {"no height", Info(4, 0, 24), DIB_RGB_COLORS},
      {"15 bits", Info(4, 4, 15), DIB_RGB_COLORS},
      {"24-bit masks", Info(4, 4, 24, BI_BITFIELDS), DIB_RGB_COLORS},
      {"compressed", Info(4, 4, 8, 1), DIB_RGB_COLORS},
      {"unknown usage", Info(4, 4, 24), 7},
  };
  for (const Case& c : cases) {
    void* bits = &bits;
    EXPECT_EQ(CreateDIBSection(nullptr, &c.info, c.usage, &bits, nullptr, 0), nullptr) << c.what;
    EXPECT_EQ(bits, nullptr) << c.what;
  }
  BITMAPINFO twoPlanes = Info(4, 4, 24);
  twoPlanes.bmiHeader.biPlanes = 2;
  EXPECT_EQ(CreateDIBSection(nullptr, &twoPlanes, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  const BITMAPINFO fine = Info(4, 4, 24);
  int mapping = 0;
  EXPECT_EQ(CreateDIBSection(nullptr, &fine, DIB_RGB_COLORS, nullptr, &mapping, 0), nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  // Exactly at the cap is still made.
  const BITMAPINFO cap = Info(16384, 4096, 32);
  void* bits = nullptr;
  const HBITMAP largest = CreateDIBSection(nullptr, &cap, DIB_RGB_COLORS, &bits, nullptr, 0);
  EXPECT_NE(largest, nullptr);
  EXPECT_TRUE(DeleteObject(largest));
  int notABitmap = 0;
  EXPECT_FALSE(DeleteObject(&notABitmap));
  EXPECT_FALSE(DeleteObject(nullptr));
}

TEST(Locale, EnglishNamesOfLanguages) {
  struct Case {
    LCID id;
    const char* name;
  } cases[] = {{0x0409, "English"}, {0x0809, "English"}, {0x0407, "German"},
               {0x040C, "French"},  {0x0C0A, "Spanish"}, {0x0411, "Japanese"}};
  for (const Case& c : cases) {
    char name[260];
    EXPECT_EQ(GetLocaleInfoA(c.id, LOCALE_SENGLANGUAGE, name, sizeof(name)),
              static_cast<int>(std::strlen(c.name)) + 1);
    EXPECT_STREQ(name, c.name);
  }
  char small[4];
  EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_SENGLANGUAGE, nullptr, 0), 8);  // the size needed
  EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_SENGLANGUAGE, small, sizeof(small)), 0);
  EXPECT_EQ(GetLocaleInfoA(0x0000, LOCALE_SENGLANGUAGE, small, sizeof(small)), 0);
  EXPECT_EQ(GetLocaleInfoA(0x0409, 0x0002, small, sizeof(small)), 0);
}

}  // namespace
