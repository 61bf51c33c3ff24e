// The DirectShow routines besides the descriptions: the error check, DVD time codes, media-type
// copies and releases, the running-object-table registration and FreeAndNil.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "capture/directx/binding.h"
#include "capture/dsaux/dvd.h"
#include "capture/dsaux/errors.h"
#include "capture/dsaux/freeandnil.h"
#include "capture/dsaux/mediatypes.h"
#include "capture/dsaux/rot.h"
#include "platform/com/com.h"
#include "platform/com/rot.h"
#include "platform/dshow/runtime.h"
#include "platform/win/thread.h"

namespace {

TEST(CheckDSError, ReturnsSuccessCodesAndRaisesFailuresWithTextAndCode) {
  RegisterDirectShowRuntime();  // the texts come from quartz.dll
  for (HRESULT hr : {HRESULT(0), HRESULT(1), HRESULT(0x7FFFFFFF)}) EXPECT_EQ(CheckDSError(hr), hr);
  struct Case {
    HRESULT code;
    const char* message;
  } cases[] = {
      {E_FAIL, "Unspecified error. ($80004005)."},
      {REGDB_E_CLASSNOTREG, "Class not registered. ($80040154)."},
      {static_cast<HRESULT>(0x80000000u), " ($80000000)."},  // a code without a text
  };
  for (const Case& c : cases) {
    try {
      CheckDSError(c.code);
      ADD_FAILURE() << c.message;
    } catch (const EDirectShowException& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_EQ(e.ErrorCode, c.code);
    }
  }
}

TEST(DVDTimecode, SplitsTheNibblesFromTheMostSignificant) {
  struct Case {
    uint32_t value;
    TDsDVDTimecode expected;
  } cases[] = {
      {0x12345678, {1, 2, 3, 4, 5, 6, 7, 2, 0}},
      {0xFFFFFFFF, {15, 15, 15, 15, 15, 15, 15, 3, 3}},
      {0x00000007, {0, 0, 0, 0, 0, 0, 0, 1, 3}},
  };
  for (const Case& c : cases) {
    const TDsDVDTimecode t = UnpackDVDTimecode(c.value);
    EXPECT_EQ(std::memcmp(&t, &c.expected, sizeof t), 0) << std::hex << c.value;
  }
}

class MediaTypes : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(CoTaskMemBlocksAlive(), blocksBefore_); }
  long blocksBefore_ = CoTaskMemBlocksAlive();
};

TEST_F(MediaTypes, ACopyOwnsItsBlockAndAReferenceAndBothFreeIndependently) {
  auto* unk = new TComObject<IUnknown>;
  AM_MEDIA_TYPE source{};
  source.lSampleSize = 921600;
  source.cbFormat = 4;
  source.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(4));
  std::memcpy(source.pbFormat, "abcd", 4);
  source.pUnk = unk;  // the record owns a reference of its own
  unk->AddRef();
  AM_MEDIA_TYPE target{};
  CopyMediaType(&target, &source);
  EXPECT_EQ(target.lSampleSize, 921600u);
  ASSERT_EQ(target.cbFormat, 4u);
  EXPECT_NE(target.pbFormat, source.pbFormat);
  EXPECT_EQ(std::memcmp(target.pbFormat, "abcd", 4), 0);
  EXPECT_EQ(target.pUnk, unk);
  FreeMediaType(&source);
  EXPECT_EQ(source.pbFormat, nullptr);
  EXPECT_EQ(source.pUnk, nullptr);
  EXPECT_EQ(std::memcmp(target.pbFormat, "abcd", 4), 0);
  FreeMediaType(&target);
  EXPECT_EQ(target.cbFormat, 0u);
  FreeMediaType(&target);  // an empty record is left alone
  // Back to the creator's one reference.
  EXPECT_EQ(unk->AddRef(), 2u);
  unk->Release();
  unk->Release();
}

TEST_F(MediaTypes, CopyAssertsOnItselfAndOnALengthWithoutABlock) {
  AM_MEDIA_TYPE record{};
  EXPECT_THROW(CopyMediaType(&record, &record), rtl::EAssertionFailed);
  AM_MEDIA_TYPE source{}, target{};
  source.cbFormat = 8;
  try {
    CopyMediaType(&target, &source);
    ADD_FAILURE() << "no assertion";
  } catch (const rtl::EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failed");
  }
}

// A graph as the table sees it: only its identity and references matter.
class FakeGraph : public TComObject<IFilterGraph> {
 public:
  HRESULT AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }
};

TEST(RunningObjectTable, RegistersTheGraphWeaklyUnderItsItemNameAndReleasesEverything) {
  auto* graph = new FakeGraph;
  DWORD cookie = 0;
  // Without COM on the thread nothing is made.
  EXPECT_EQ(AddGraphToRot(graph, cookie), CO_E_NOTINITIALIZED);
  EXPECT_EQ(RemoveGraphFromRot(1), CO_E_NOTINITIALIZED);

  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  const long alive = ComObjectsAlive();
  ASSERT_EQ(AddGraphToRot(graph, cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  // The graph is found under the expected name.
  char item[64];
  std::snprintf(
      item, sizeof item, "FilterGraph %016" PRIX64 " pid %" PRIX32,
      static_cast<uint64_t>(reinterpret_cast<uintptr_t>(static_cast<IFilterGraph*>(graph))),
      GetCurrentProcessId());
  ComPtr<IMoniker> name;
  ASSERT_EQ(CreateItemMoniker(u"!", Utf8ToWide(item).c_str(), name.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IRunningObjectTable> rot;
  GetRunningObjectTable(0, rot.ReleaseAndGetAddressOf());
  ComPtr<IUnknown> found;
  ASSERT_EQ(rot->GetObject(name.Get(), found.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(found.Get(), static_cast<IUnknown*>(graph));
  found.Reset();
  name.Reset();
  DWORD flags = ~0u;
  ASSERT_EQ(GetRunningObjectFlags(cookie, &flags), S_OK);
  EXPECT_EQ(flags, 0u) << "a weak registration";
  EXPECT_EQ(ComObjectsAlive(), alive + 1) << "the table holds the moniker, nothing else is left";

  EXPECT_EQ(RemoveGraphFromRot(cookie), S_OK);
  EXPECT_EQ(RemoveGraphFromRot(cookie), E_INVALIDARG);
  EXPECT_EQ(ComObjectsAlive(), alive);
  EXPECT_EQ(graph->AddRef(), 2u);
  graph->Release();
  // A refused registration releases its moniker too.
  EXPECT_EQ(AddGraphToRot(nullptr, cookie), E_INVALIDARG);
  EXPECT_EQ(ComObjectsAlive(), alive);
  CoUninitialize();
  graph->Release();
}

TEST(FreeAndNil, ClearsTheVariableBeforeTheObjectEnds) {
  struct Watched {
    Watched** variable;
    bool* sawNil;
    ~Watched() { *sawNil = *variable == nullptr; }
  };
  for (auto freeAndNil : {&FreeAndNil<Watched>, &directx::FreeAndNil<Watched>}) {
    bool sawNil = false;
    Watched* object = nullptr;
    object = new Watched{&object, &sawNil};
    freeAndNil(object);
    EXPECT_TRUE(sawNil);
    EXPECT_EQ(object, nullptr);
    freeAndNil(object);  // nil frees nothing
  }
}

}  // namespace
