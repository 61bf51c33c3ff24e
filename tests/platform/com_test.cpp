// The COM core: identifiers, reference counts, the class registry, streams, monikers, property
// bags and the running-object table.
#include "platform/com/com.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "platform/com/moniker.h"
#include "platform/com/rot.h"

namespace {

constexpr CLSID kTestClass{0x5A1D0C01, 0x1234, 0x4ABC, {0x80, 1, 2, 3, 4, 5, 6, 7}};

// A persistent object whose data is a 32-bit number; it may claim more data than it writes.
class TNumber : public TComObject<IPersistStream> {
 public:
  uint32_t value = 0;
  HRESULT GetClassID(CLSID* id) override {
    *id = kTestClass;
    return S_OK;
  }
  HRESULT IsDirty() override { return S_FALSE; }
  HRESULT Load(IStream* stm) override {
    ULONG n = 0;
    const HRESULT hr = stm->Read(&value, sizeof(value), &n);
    return FAILED(hr) ? hr : n == sizeof(value) ? S_OK : STG_E_READFAULT;
  }
  HRESULT Save(IStream* stm, BOOL) override { return stm->Write(&value, sizeof(value), nullptr); }
  HRESULT GetSizeMax(ULARGE_INTEGER* size) override {
    size->QuadPart = sizeof(value);
    return S_OK;
  }
};

HRESULT CreateNumber(REFIID riid, void** ppv) {
  ComPtr<IPersistStream> number;
  number.Attach(new TNumber);
  return number->QueryInterface(riid, ppv);
}

// COM for the test's thread and the test class registered, and nothing left behind.
class Com : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoRegisterInprocServer(kTestClass, CreateNumber);
    objects_ = ComObjectsAlive();
    blocks_ = CoTaskMemBlocksAlive();
    strings_ = SysStringsAlive();
  }
  void TearDown() override {
    EXPECT_EQ(ComObjectsAlive(), objects_);
    EXPECT_EQ(CoTaskMemBlocksAlive(), blocks_);
    EXPECT_EQ(SysStringsAlive(), strings_);
    CoUnregisterInprocServer(kTestClass);
    CoUninitialize();
  }
  long objects_ = 0, blocks_ = 0, strings_ = 0;
};

std::u16string DisplayName(IMoniker* moniker) {
  LPOLESTR name = nullptr;
  EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
  std::u16string text(WideView(name));
  CoTaskMemFree(name);
  return text;
}

std::vector<BYTE> Contents(IStream* stm) {
  STATSTG stat{};
  EXPECT_EQ(stm->Stat(&stat, STATFLAG_NONAME), S_OK);
  std::vector<BYTE> bytes(stat.cbSize.QuadPart);
  EXPECT_EQ(stm->Seek({0}, STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(stm->Read(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), S_OK);
  return bytes;
}

TEST(Guid, TextRoundTripAndLayout) {
  const GUID stream = ISequentialStream::iid;
  EXPECT_EQ(GUIDToString(stream), "{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");
  // The standard layout: the first three fields little-endian, then eight bytes in order.
  const BYTE expected[16] = {0x30, 0x3A, 0x73, 0x0C, 0x1C, 0x2A, 0xCE, 0x11,
                             0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D};
  EXPECT_EQ(std::memcmp(&stream, expected, 16), 0);
  for (const char* text :
       {"{0C733A30-2A1C-11CE-ADE5-00AA0044773D}", "{0c733a30-2a1c-11ce-ade5-00aa0044773d}"}) {
    GUID parsed{};
    EXPECT_EQ(CLSIDFromString(text, &parsed), S_OK) << text;
    EXPECT_EQ(parsed, stream) << text;
  }
  EXPECT_LT((GUID{1, 0xFFFF, 0, {}}), (GUID{2, 0, 0, {}}));  // Data1 decides first
  EXPECT_LT(GUID_NULL, stream);
}

TEST(Guid, MalformedTextsAreRefused) {
  const char* bad[] = {
      "",
      "0C733A30-2A1C-11CE-ADE5-00AA0044773D",     // no braces
      "{0C733A30-2A1C-11CE-ADE5-00AA0044773D",    // one brace
      "{0C733A30-2A1C-11CE-ADE5-00AA0044773DA}",  // one digit too many
      "{0C733A30-2A1C-11CE-ADE5-00AA0044773}",    // one too few
      "{0C733A30-2A1C-11CEADE5-00AA0044773D0}",   // a dash moved
      "{0C733A3G-2A1C-11CE-ADE5-00AA0044773D}",   // not hexadecimal
      "{0C733A30-2A1C-11CE-AD 5-00AA0044773D}",   // a blank
      "{+C733A30-2A1C-11CE-ADE5-00AA0044773D}",   // a sign
  };
  for (const char* text : bad) {
    GUID parsed = IID_IUnknown;
    EXPECT_EQ(CLSIDFromString(text, &parsed), CO_E_CLASSSTRING) << text;
    EXPECT_EQ(parsed, GUID_NULL) << text;
  }
}

TEST_F(Com, ReferencesAndInterfacesOfAnObject) {
  auto* number = new TNumber;
  void* p = nullptr;
  // IPersist comes through IPersistStream's base; IUnknown is the same object.
  ASSERT_EQ(number->QueryInterface(IID_IPersist, &p), S_OK);
  EXPECT_EQ(p, static_cast<IPersist*>(number));
  ASSERT_EQ(number->QueryInterface(IID_IUnknown, &p), S_OK);
  EXPECT_EQ(p, static_cast<IUnknown*>(number));
  p = number;
  EXPECT_EQ(number->QueryInterface(IID_IStream, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  ComPtr<IPersistStream> held;
  held.Attach(number);
  EXPECT_EQ(number->Release(), 2u);  // the two answers above
  EXPECT_EQ(number->Release(), 1u);
  ComPtr<IPersist> persist;
  EXPECT_EQ(held.As(persist), S_OK);
  EXPECT_EQ(number->AddRef(), 3u);
  EXPECT_EQ(number->Release(), 2u);  // the fixture sees the last two go
}

TEST_F(Com, ApartmentsAreCountedPerThread) {
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  CoUninitialize();
  EXPECT_TRUE(CoIsInitialized());
  std::thread([] {
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
    EXPECT_FALSE(CoIsInitialized());
  }).join();
}

TEST_F(Com, CoCreateInstanceAnswersByContextAggregationAndRegistration) {
  constexpr CLSID kUnknownClass{0xDEADBEEF, 0, 0, {}};
  auto* outer = new TNumber;
  struct Case {
    const char* what;
    CLSID clsid;
    IUnknown* outer;
    DWORD context;
    IID iid;
    HRESULT expected;
  } cases[] = {
      {"server", kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStream, S_OK},
      {"handler", kTestClass, nullptr, CLSCTX_INPROC_HANDLER, IID_IUnknown, S_OK},
      {"either", kTestClass, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IPersist,
       S_OK},
      {"local server only", kTestClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
       REGDB_E_CLASSNOTREG},
      {"aggregated", kTestClass, outer, CLSCTX_INPROC_SERVER, IID_IUnknown, CLASS_E_NOAGGREGATION},
      {"unknown class", kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
       REGDB_E_CLASSNOTREG},
      {"unknown interface", kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IStream, E_NOINTERFACE},
  };
  for (const Case& c : cases) {
    void* p = outer;
    EXPECT_EQ(CoCreateInstance(c.clsid, c.outer, c.context, c.iid, &p), c.expected) << c.what;
    EXPECT_EQ(p != nullptr, SUCCEEDED(c.expected)) << c.what;
    if (p) static_cast<IUnknown*>(p)->Release();
  }
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
            E_POINTER);
  outer->Release();
}

TEST_F(Com, AClassTakenAwayIsNotRegisteredUntilPutBack) {
  TCreateInstance server = CoUnregisterInprocServer(kTestClass);
  ASSERT_TRUE(server);
  void* p = nullptr;
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(CoUnregisterInprocServer(kTestClass));
  EXPECT_TRUE(CoRegisterInprocServer(kTestClass, std::move(server)));
  ASSERT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p), S_OK);
  static_cast<IUnknown*>(p)->Release();
}

TEST_F(Com, MemoryStreamReadsShortAtTheEndAndRefusesSeeksBeforeTheStart) {
  ComPtr<IStream> stm;
  const BYTE init[] = {1, 2, 3};
  stm.Attach(SHCreateMemStream(init, sizeof(init)));
  ASSERT_TRUE(stm);
  BYTE buffer[8] = {};
  ULONG n = 0;
  EXPECT_EQ(stm->Read(buffer, 8, &n), S_OK);  // short at the end, and no failure
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(stm->Read(buffer, 8, &n), S_OK);
  EXPECT_EQ(n, 0u);
  ULARGE_INTEGER position{};
  EXPECT_EQ(stm->Seek({-4}, STREAM_SEEK_CUR, &position), STG_E_SEEKERROR);
  EXPECT_EQ(stm->Seek({2}, STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 5u);
  const BYTE nine = 9;
  EXPECT_EQ(stm->Write(&nine, 1, &n), S_OK);  // the gap reads as zeros
  EXPECT_EQ(Contents(stm.Get()), (std::vector<BYTE>{1, 2, 3, 0, 0, 9}));
}

TEST_F(Com, SavedObjectsLoadAsEqualObjects) {
  ComPtr<IMoniker> item;
  ASSERT_EQ(CreateItemMoniker(u"!", u"FilterGraph 1 pid 2", item.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IPersistStream> number;
  ASSERT_EQ(CreateNumber(IID_IPersistStream, number.PutVoid()), S_OK);
  static_cast<TNumber*>(number.Get())->value = 0xC0FFEE;

  ComPtr<IStream> stm;
  stm.Attach(SHCreateMemStream(nullptr, 0));
  ASSERT_EQ(OleSaveToStream(item.Get(), stm.Get()), S_OK);
  ASSERT_EQ(OleSaveToStream(number.Get(), stm.Get()), S_OK);
  ASSERT_EQ(stm->Seek({0}, STREAM_SEEK_SET, nullptr), S_OK);

  ComPtr<IMoniker> loadedItem;
  ASSERT_EQ(OleLoadFromStream(stm.Get(), IID_IMoniker, loadedItem.PutVoid()), S_OK);
  EXPECT_EQ(DisplayName(loadedItem.Get()), u"!FilterGraph 1 pid 2");
  ComPtr<IPersist> loadedNumber;
  ASSERT_EQ(OleLoadFromStream(stm.Get(), IID_IPersist, loadedNumber.PutVoid()), S_OK);
  EXPECT_EQ(static_cast<TNumber*>(loadedNumber.Get())->value, 0xC0FFEEu);
}

TEST_F(Com, LoadingRefusesUnknownClassesAndShortData) {
  ComPtr<IMoniker> item;
  ASSERT_EQ(CreateItemMoniker(u"!", u"abc", item.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IStream> saved;
  saved.Attach(SHCreateMemStream(nullptr, 0));
  ASSERT_EQ(OleSaveToStream(item.Get(), saved.Get()), S_OK);
  const std::vector<BYTE> whole = Contents(saved.Get());
  // Every cut of the data fails: in the class id, in a length, in the characters.
  for (size_t length = 0; length < whole.size(); ++length) {
    ComPtr<IStream> cut;
    cut.Attach(SHCreateMemStream(whole.data(), static_cast<UINT>(length)));
    void* p = item.Get();
    EXPECT_TRUE(FAILED(OleLoadFromStream(cut.Get(), IID_IMoniker, &p))) << length;
    EXPECT_EQ(p, nullptr) << length;
  }
  // A length claimed far beyond the data is refused before anything is allocated for it.
  std::vector<BYTE> huge = whole;
  std::memset(huge.data() + 16, 0xFF, 4);
  ComPtr<IStream> bad;
  bad.Attach(SHCreateMemStream(huge.data(), static_cast<UINT>(huge.size())));
  void* p = nullptr;
  EXPECT_EQ(OleLoadFromStream(bad.Get(), IID_IMoniker, &p), STG_E_READFAULT);
  // A class nobody registered.
  std::vector<BYTE> other = whole;
  other[0] ^= 0xFF;
  ComPtr<IStream> unknown;
  unknown.Attach(SHCreateMemStream(other.data(), static_cast<UINT>(other.size())));
  EXPECT_EQ(OleLoadFromStream(unknown.Get(), IID_IMoniker, &p), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(p, nullptr);
}

TEST_F(Com, CountedTextsHoldTheReadersLimitAndChangeNothingWhenRefused) {
  ComPtr<IStream> stm;
  stm.Attach(SHCreateMemStream(nullptr, 0));
  ASSERT_EQ(WriteCountedText(stm.Get(), u"abcd"), S_OK);
  const std::vector<BYTE> whole = Contents(stm.Get());
  ASSERT_EQ(whole.size(), 4u + 4 * sizeof(char16_t));
  struct Case {
    size_t bytes;
    uint32_t maxChars;
    HRESULT result;
  } const cases[] = {{whole.size(), 4, S_OK},
                     {whole.size(), 3, STG_E_READFAULT},  // longer than the reader allows
                     {whole.size() - 1, 4, STG_E_READFAULT},
                     {2, 4, STG_E_READFAULT}};
  for (const Case& c : cases) {
    ComPtr<IStream> in;
    in.Attach(SHCreateMemStream(whole.data(), static_cast<UINT>(c.bytes)));
    std::u16string text = u"kept";
    EXPECT_EQ(ReadCountedText(in.Get(), c.maxChars, &text), c.result) << c.bytes << c.maxChars;
    EXPECT_EQ(text, c.result == S_OK ? u"abcd" : u"kept");
  }
}

TEST_F(Com, EnumeratorNextSkipResetAndClone) {
  std::vector<ComPtr<IMoniker>> names(3);
  for (int i = 0; i < 3; ++i)
    CreateItemMoniker(u"!", std::u16string(1, char16_t(u'a' + i)).c_str(),
                      names[i].ReleaseAndGetAddressOf());
  ComPtr<IEnumMoniker> e;
  ASSERT_EQ(CreateEnumMoniker(names, e.ReleaseAndGetAddressOf()), S_OK);
  IMoniker* got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(e->Skip(1), S_OK);
  ASSERT_EQ(e->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(DisplayName(got[0]), u"!b");
  got[0]->Release();
  ComPtr<IEnumMoniker> clone;
  ASSERT_EQ(e->Clone(clone.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(e->Next(3, got, &fetched), S_FALSE);  // only "c" was left
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(DisplayName(got[0]), u"!c");
  got[0]->Release();
  EXPECT_EQ(e->Skip(1), S_FALSE);
  EXPECT_EQ(e->Reset(), S_OK);
  ASSERT_EQ(e->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(DisplayName(got[0]), u"!a");
  got[0]->Release();
  ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);  // the clone kept its place
  EXPECT_EQ(DisplayName(got[0]), u"!c");
  got[0]->Release();
  EXPECT_EQ(e->Next(2, got, nullptr), E_POINTER);
}

TEST_F(Com, PropertyBagHandsOutTextsAsBstrVariants) {
  ComPtr<IPropertyBag> bag;
  ASSERT_EQ(CreatePropertyBag({{u"FriendlyName", Utf8ToWide("Caméra 1 \xF0\x9F\x93\xB7")},
                               {u"CLSID", u"{17CCA71B-ECD7-11D0-B908-00A0C9223196}"}},
                              bag.ReleaseAndGetAddressOf()),
            S_OK);
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(bag->Read(u"FriendlyName", &v, nullptr), S_OK);
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(SysStringLen(v.bstrVal), 11u);  // the camera sign takes two UTF-16 units
  EXPECT_EQ(WideToUtf8(WideView(v.bstrVal)), "Caméra 1 \xF0\x9F\x93\xB7");
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(bag->Read(u"DevicePath", &v, nullptr), E_FAIL);
  EXPECT_EQ(v.vt, VT_EMPTY);
  // Malformed UTF-8 becomes replacement characters, one per bad byte.
  EXPECT_EQ(Utf8ToWide("a\xC3(\xFF"), u"a\xFFFD(\xFFFD");
}

TEST_F(Com, RunningObjectTableRegistersListsAndRevokes) {
  ComPtr<IRunningObjectTable> rot;
  EXPECT_EQ(GetRunningObjectTable(1, rot.ReleaseAndGetAddressOf()), E_INVALIDARG);
  ASSERT_EQ(GetRunningObjectTable(0, rot.ReleaseAndGetAddressOf()), S_OK);
  auto listed = [&] {
    ComPtr<IEnumMoniker> e;
    EXPECT_EQ(rot->EnumRunning(e.ReleaseAndGetAddressOf()), S_OK);
    std::vector<std::u16string> names;
    IMoniker* m = nullptr;
    while (e->Next(1, &m, nullptr) == S_OK) {
      names.push_back(DisplayName(m));
      m->Release();
    }
    return names;
  };
  const auto before = listed();

  ComPtr<IPersistStream> graph;
  ASSERT_EQ(CreateNumber(IID_IPersistStream, graph.PutVoid()), S_OK);
  ComPtr<IMoniker> name;
  ASSERT_EQ(CreateItemMoniker(u"!", u"FilterGraph 0000000000ABCDEF pid 1F",
                              name.ReleaseAndGetAddressOf()),
            S_OK);
  DWORD cookie = 0, second = 0;
  ASSERT_EQ(rot->Register(0, graph.Get(), name.Get(), &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(rot->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph.Get(), name.Get(), &second),
            MK_S_MONIKERALREADYREGISTERED);
  EXPECT_NE(second, cookie);
  auto now = listed();
  ASSERT_EQ(now.size(), before.size() + 2);
  EXPECT_EQ(now[before.size()], u"!FilterGraph 0000000000ABCDEF pid 1F");
  EXPECT_EQ(rot->IsRunning(name.Get()), S_OK);
  // The item moniker binds to what is registered under its name.
  ComPtr<IPersist> bound;
  ASSERT_EQ(name->BindToObject(nullptr, nullptr, IID_IPersist, bound.PutVoid()), S_OK);
  EXPECT_EQ(bound.Get(), static_cast<IPersist*>(graph.Get()));
  bound.Reset();

  EXPECT_EQ(rot->Revoke(cookie), S_OK);
  EXPECT_EQ(rot->Revoke(cookie), E_INVALIDARG);
  EXPECT_EQ(rot->Revoke(second), S_OK);
  EXPECT_EQ(listed(), before);
  EXPECT_EQ(rot->IsRunning(name.Get()), S_FALSE);
  EXPECT_EQ(name->BindToObject(nullptr, nullptr, IID_IPersist, bound.PutVoid()), MK_E_UNAVAILABLE);
  // The table held its own references: the object lived on only through ours.
  EXPECT_EQ(graph->AddRef(), 2u);
  graph->Release();
  DWORD none = 1;
  EXPECT_EQ(rot->Register(0, nullptr, name.Get(), &none), E_INVALIDARG);
  EXPECT_EQ(none, 0u);
}

}  // namespace
