// The DirectX libraries bound at run time: quartz on first need (and again after a failed
// load), the libraries this system lacks, stand-in libraries with chosen entries, and the
// fallbacks of the error-text library.
#include <gtest/gtest.h>

#include <string>

#include "capture/directx/direct3d9.h"
#include "capture/directx/directdraw.h"
#include "capture/directx/directshow9.h"
#include "capture/directx/dxerr9.h"
#include "capture/dsaux/errors.h"
#include "platform/dshow/runtime.h"
#include "platform/win/library_map.h"

namespace {

// The error-text variables as the program starts, before any module initialisation.
const directx::TDXGetErrorString9A kStartString = directx::DXGetErrorString9;
const directx::TDXGetErrorDescription9A kStartDescription = directx::DXGetErrorDescription9;
const directx::TDXTraceA kStartTrace = directx::DXTrace;
const directx::TDXGetErrorString9W kStartStringW = directx::DXGetErrorString9W;
const directx::TDXTraceW kStartTraceW = directx::DXTraceW;

FARPROC Proc(auto function) { return reinterpret_cast<FARPROC>(function); }

// Puts a library of the table back as this program ships it.
void RestoreLibrary(const std::string& name) {
  if (name == "quartz.dll") RegisterInprocLibrary(name, DirectShowRuntimeEntries());
  for (TBuiltinLibrary& library : BuiltinLibraries())
    if (library.Name == name) RegisterInprocLibrary(name, library.Entries, library.Present);
}

DWORD FixedText(HRESULT, char* buffer, DWORD maxLen) {
  if (maxLen > 0) buffer[0] = '\0';
  return 0;
}
directx::IDirect3D9* Create9(UINT) { return nullptr; }
HRESULT Create9Ex(UINT, directx::IDirect3D9Ex**) { return S_OK; }
HRESULT CreateDraw(GUID*, directx::IDirectDraw**, IUnknown*) { return S_OK; }
const char* OwnString(HRESULT) { return "own"; }

class Quartz : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDirectShowRuntime();
    directx::FinalizeDirectShow9Module();
  }
  void TearDown() override {
    directx::FinalizeDirectShow9Module();
    RestoreLibrary("quartz.dll");
  }
};

TEST_F(Quartz, LoadsOnTheFirstErrorTextAndOnlyOnce) {
  directx::InitializeDirectShow9Module();
  EXPECT_EQ(InprocLibraryLoads("quartz.dll"), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(GetErrorString(E_FAIL), "Unspecified error.");
  EXPECT_TRUE(directx::IsDirectShow9Loaded());
  EXPECT_EQ(InprocLibraryLoads("quartz.dll"), 1);
  EXPECT_EQ(directx::AMGetErrorTextProc, directx::AMGetErrorTextA);
  directx::FinalizeDirectShow9Module();
  EXPECT_EQ(InprocLibraryLoads("quartz.dll"), 0);
  EXPECT_EQ(directx::AMGetErrorTextA, nullptr);
  EXPECT_TRUE(directx::UnloadDirectShow9()) << "releasing what is not loaded succeeds";
}

TEST_F(Quartz, MissingGivesAnEmptyTextAndTheExceptionTheCodeAloneThenLoadsOnceBack) {
  ASSERT_TRUE(SetInprocLibraryPresent("quartz.dll", false));
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(directx::AMGetErrorText(E_FAIL, buffer, 8), 0u);
  EXPECT_EQ(std::string(buffer), "");
  try {
    CheckDSError(E_FAIL);
    ADD_FAILURE() << "no exception";
  } catch (const EDirectShowException& e) {
    EXPECT_EQ(e.Message(), " ($80004005).");
    EXPECT_EQ(e.ErrorCode, E_FAIL);
  }
  EXPECT_FALSE(directx::IsDirectShow9Loaded());
  // A failed load is tried again on the next request.
  ASSERT_TRUE(SetInprocLibraryPresent("quartz.dll", true));
  EXPECT_EQ(GetErrorString(E_POINTER), "Invalid pointer.");
  EXPECT_EQ(InprocLibraryLoads("quartz.dll"), 1);
}

TEST_F(Quartz, ALibraryWithoutBothEntriesIsReleasedAgain) {
  RegisterInprocLibrary("quartz.dll", {{"AMGetErrorTextA", Proc(&FixedText)}});
  EXPECT_FALSE(directx::LoadDirectShow9());
  EXPECT_EQ(InprocLibraryLoads("quartz.dll"), 0);
  EXPECT_EQ(directx::AMGetErrorTextA, nullptr);
  EXPECT_EQ(directx::AMGetErrorTextProc, nullptr);
}

TEST(GraphicsLibraries, AreKeptOnlyWithTheirRequiredEntry) {
  EXPECT_FALSE(directx::LoadDirectDraw()) << "missing here";
  EXPECT_FALSE(directx::LoadDirect3D9()) << "missing here";
  EXPECT_TRUE(directx::UnloadDirect3D9()) << "releasing what is not loaded succeeds";

  RegisterInprocLibrary("d3d9.dll", {{"Direct3DCreate9Ex", Proc(&Create9Ex)}});
  EXPECT_FALSE(directx::LoadDirect3D9());
  EXPECT_EQ(InprocLibraryLoads("d3d9.dll"), 0);
  EXPECT_EQ(directx::Direct3DCreate9Ex, nullptr);
  RegisterInprocLibrary(
      "d3d9.dll", {{"Direct3DCreate9", Proc(&Create9)}, {"Direct3DCreate9Ex", Proc(&Create9Ex)}});
  EXPECT_TRUE(directx::LoadDirect3D9());
  EXPECT_EQ(directx::Direct3DCreate9Ex, &Create9Ex);
  EXPECT_TRUE(directx::UnloadDirect3D9());
  EXPECT_EQ(directx::Direct3DCreate9Ex, nullptr);
  EXPECT_EQ(InprocLibraryLoads("d3d9.dll"), 0);
  RestoreLibrary("d3d9.dll");

  RegisterInprocLibrary("ddraw.dll", {{"DirectDrawCreate", Proc(&CreateDraw)}});
  EXPECT_TRUE(directx::LoadDirectDraw());
  EXPECT_EQ(directx::DirectDrawCreate, &CreateDraw);
  EXPECT_EQ(directx::DirectDrawEnumerate, nullptr) << "optional entries the library lacks";
  EXPECT_TRUE(directx::UnloadDirectDraw());
  EXPECT_EQ(directx::DirectDrawCreate, nullptr);
  RestoreLibrary("ddraw.dll");
}

class DxErr9 : public ::testing::Test {
 protected:
  void TearDown() override {
    directx::FinalizeDxErr9Module();
    RestoreLibrary("dxerr9ab.dll");
    directx::DXGetErrorString9 = kStartString;
    directx::DXGetErrorDescription9 = kStartDescription;
    directx::DXTrace = kStartTrace;
  }
};

TEST_F(DxErr9, WithoutTheLibraryTheGenericEntriesFallBack) {
  struct Case {
    HRESULT code;
    const char* text;
  } cases[] = {
      {1, "dxerr9ab.dll library is not found. Description for 0x1 is not available."},
      {static_cast<HRESULT>(0x8876086Cu),
       "dxerr9ab.dll library is not found. Description for 0x8876086C is not available."},
  };
  directx::InitializeDxErr9Module();
  EXPECT_FALSE(directx::IsDxErr9Loaded());
  EXPECT_EQ(directx::DXGetErrorString9A, nullptr);
  EXPECT_EQ(directx::DXGetErrorString9W, nullptr);
  EXPECT_EQ(directx::DXTraceA, nullptr);
  for (const Case& c : cases) {
    EXPECT_STREQ(directx::DXGetErrorString9(c.code), c.text);
    EXPECT_STREQ(directx::DXGetErrorDescription9(c.code), c.text);
    const std::string text = c.text;
    EXPECT_EQ(std::u16string(kStartStringW(c.code)), std::u16string(text.begin(), text.end()));
  }
  EXPECT_EQ(directx::DXTrace("file", 7, E_FAIL, "message", TRUE), E_FAIL);
  EXPECT_EQ(kStartTraceW("file", 7, 2, u"message", FALSE), 2);
}

TEST_F(DxErr9, APresentLibraryBindsWhatItHasAndTheGenericEntriesFollowTheEightBitOnes) {
  RegisterInprocLibrary("dxerr9ab.dll", {{"DXGetErrorString9A", Proc(&OwnString)}});
  directx::InitializeDxErr9Module();
  EXPECT_TRUE(directx::IsDxErr9Loaded());
  EXPECT_EQ(directx::DXGetErrorString9, &OwnString);
  EXPECT_EQ(directx::DXGetErrorDescription9, nullptr);
  directx::FinalizeDxErr9Module();
  EXPECT_EQ(InprocLibraryLoads("dxerr9ab.dll"), 0);
  EXPECT_EQ(directx::DXGetErrorString9A, &OwnString) << "the entries keep their values";
}

}  // namespace
