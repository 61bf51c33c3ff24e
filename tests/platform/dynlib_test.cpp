// Libraries by name: the ones this program carries within itself, the ones this system never
// has, and real ones through the system's loader; the DirectShow runtime's error texts.
#include "platform/win/dynlib.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/dshow/errors.h"
#include "platform/dshow/runtime.h"

namespace {

using TextA = DWORD (*)(HRESULT, char*, DWORD);
using TextW = DWORD (*)(HRESULT, WCHAR*, DWORD);

TEST(Libraries, QuartzIsInProcessUntilTakenAway) {
  RegisterDirectShowRuntime();
  for (const char* name : {"quartz.dll", "QUARTZ.DLL", "Quartz.dll"}) {
    const HMODULE quartz = LoadLibraryA(name);
    ASSERT_NE(quartz, nullptr) << name;
    auto textA = reinterpret_cast<TextA>(GetProcAddress(quartz, "AMGetErrorTextA"));
    auto textW = reinterpret_cast<TextW>(GetProcAddress(quartz, "AMGetErrorTextW"));
    ASSERT_TRUE(textA && textW) << name;
    char a[64];
    WCHAR w[64];
    EXPECT_EQ(textA(E_FAIL, a, 64), 18u);
    EXPECT_EQ(std::string(a), "Unspecified error.");
    EXPECT_EQ(textW(E_FAIL, w, 64), 18u);
    EXPECT_EQ(std::u16string(w), u"Unspecified error.");
    EXPECT_EQ(GetProcAddress(quartz, "AMGetErrorTextX"), nullptr);
    EXPECT_TRUE(FreeLibrary(quartz));
  }
  const HMODULE held = LoadLibraryA("quartz.dll");
  ASSERT_TRUE(SetInprocLibraryPresent("quartz.dll", false));
  EXPECT_EQ(LoadLibraryA("quartz.dll"), nullptr);
  // A handle loaded before stays usable until it is freed.
  EXPECT_NE(GetProcAddress(held, "AMGetErrorTextA"), nullptr);
  EXPECT_TRUE(FreeLibrary(held));
  EXPECT_EQ(GetProcAddress(held, "AMGetErrorTextA"), nullptr);
  EXPECT_FALSE(FreeLibrary(held));
  ASSERT_TRUE(SetInprocLibraryPresent("quartz.dll", true));
  const HMODULE again = LoadLibraryA("quartz.dll");
  EXPECT_NE(again, nullptr);
  FreeLibrary(again);
}

TEST(Libraries, TheGraphicsLibrariesAreMissing) {
  for (const char* name : {"ddraw.dll", "d3d9.dll", "dxerr9ab.dll", "D3D9.DLL"})
    EXPECT_EQ(LoadLibraryA(name), nullptr) << name;
}

TEST(Libraries, OtherNamesGoToTheSystemLoader) {
  const HMODULE libm = LoadLibraryA("libm.so.6");
  ASSERT_NE(libm, nullptr);
  auto cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(libm, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(GetProcAddress(libm, "no_such_function"), nullptr);
  EXPECT_TRUE(FreeLibrary(libm));
  EXPECT_EQ(LoadLibraryA("liblumatap-no-such-library.so"), nullptr);
  EXPECT_EQ(LoadLibraryA(""), nullptr);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  // Handles that were never loaded (or are freed already) are refused, never passed on.
  int notALibrary = 0;
  EXPECT_FALSE(FreeLibrary(&notALibrary));
  EXPECT_FALSE(FreeLibrary(libm));
  EXPECT_EQ(GetProcAddress(&notALibrary, "cos"), nullptr);
}

TEST(ErrorTexts, CopiedCutToTheBufferAndZeroForUnknownCodes) {
  struct Case {
    HRESULT code;
    DWORD length;
    const char* text;
    DWORD count;
  } cases[] = {
      {REGDB_E_CLASSNOTREG, 255, "Class not registered.", 21},
      {E_NOINTERFACE, 255, "No such interface supported.", 28},
      {E_POINTER, 8, "Invalid", 7},  // cut to seven characters and the zero
      {E_POINTER, 1, "", 0},
      {static_cast<HRESULT>(0x8004FFFFu), 255, "", 0},  // a code without a text
  };
  for (const Case& c : cases) {
    char a[256];
    WCHAR w[256];
    std::fill(std::begin(a), std::end(a), 'x');
    EXPECT_EQ(AMGetErrorTextA(c.code, a, c.length), c.count) << c.text;
    EXPECT_EQ(std::string(a), c.text);
    EXPECT_EQ(AMGetErrorTextW(c.code, w, c.length), c.count) << c.text;
    EXPECT_EQ(std::u16string(w).size(), c.count);
  }
  char untouched = 'x';
  EXPECT_EQ(AMGetErrorTextA(E_FAIL, &untouched, 0), 0u);
  EXPECT_EQ(untouched, 'x');
  EXPECT_EQ(AMGetErrorTextA(E_FAIL, nullptr, 255), 0u);
}

}  // namespace
