// Device lists: every device of the category in the enumerator's order with its name and class,
// monikers by index from a fresh enumeration, and the webcam path through the synthetic
// cameras: a moniker stored and read back binds the same camera, whose first pin's formats
// become the media-type list.
#include "capture/dsaux/sysdevenum.h"

#include <functional>
#include <memory>

#include "capture/com_fixture.h"
#include "capture/dsaux/basefilter.h"
#include "capture/dsaux/description.h"
#include "capture/dsaux/enummediatype.h"
#include "capture/dsaux/pinlist.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/synthetic_camera.h"
#include "rtl/filer.h"

namespace {

constexpr GUID kCategory = CLSID_VideoInputDeviceCategory;
constexpr CLSID kClass{
    0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};

// A device whose property bag holds the given values (none at all: the bag cannot be opened).
class TFakeDevice : public TComObject<IMoniker> {
 public:
  explicit TFakeDevice(std::vector<std::pair<std::u16string, std::u16string>> bag)
      : bag_(std::move(bag)) {}
  HRESULT GetClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT IsDirty() override { return S_FALSE; }
  HRESULT Load(IStream*) override { return E_NOTIMPL; }
  HRESULT Save(IStream*, BOOL) override { return E_NOTIMPL; }
  HRESULT GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override {
    ComPtr<IPropertyBag> bag;
    if (bag_.empty() || FAILED(CreatePropertyBag(bag_, bag.ReleaseAndGetAddressOf())))
      return E_FAIL;
    return bag->QueryInterface(riid, ppv);
  }
  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override { return E_NOTIMPL; }

 private:
  std::vector<std::pair<std::u16string, std::u16string>> bag_;
};

// Lists the devices for kCategory only.
class TFakeDevEnum : public TComObject<ICreateDevEnum> {
 public:
  explicit TFakeDevEnum(std::vector<ComPtr<IMoniker>>* devices) : devices_(devices) {}
  HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** ppenum, DWORD) override {
    *ppenum = nullptr;
    return category == kCategory ? CreateEnumMoniker(*devices_, ppenum) : S_FALSE;
  }

 private:
  std::vector<ComPtr<IMoniker>>* devices_;
};

class SysDevEnum : public ComTest {
 protected:
  std::vector<ComPtr<IMoniker>> devices_;
  int made_ = 0;  // system device enumerators made
  TClassOverride fake_{CLSID_SystemDeviceEnum, [this](REFIID riid, void** ppv) {
                         ++made_;
                         ComPtr<ICreateDevEnum> e;
                         e.Attach(new TFakeDevEnum(&devices_));
                         return e->QueryInterface(riid, ppv);
                       }};

  void TearDown() override {
    devices_.clear();
    ComTest::TearDown();
  }
  void Add(std::vector<std::pair<std::u16string, std::u16string>> bag) {
    devices_.emplace_back().Attach(new TFakeDevice(std::move(bag)));
  }
};

TEST_F(SysDevEnum, ListsEveryDeviceWithItsNameAndClass) {
  const std::u16string text = Utf8ToWide(GUIDToString(kClass));
  Add({{u"FriendlyName", u"Cam A"}, {u"CLSID", text}});
  Add({{u"FriendlyName", u"Cam B"}});                             // no class
  Add({{u"FriendlyName", u"Cam C"}, {u"CLSID", u"{0A1B2C3D}"}});  // not a GUID text
  Add({});                                                        // no property bag
  Add({{u"FriendlyName", u"Cam E"}, {u"CLSID", text}});
  TSysDevEnum list(kCategory);
  const struct {
    const char* name;
    GUID clsid;
  } expected[] = {{"Cam A", kClass},
                  {"Cam B", GUID_NULL},
                  {"Cam C", GUID_NULL},
                  {"", GUID_NULL},
                  {"Cam E", kClass}};
  ASSERT_EQ(list.CountFilters(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(list.Filters(i).FriendlyName, expected[i].name) << i;
    EXPECT_EQ(list.Filters(i).CLSID, expected[i].clsid) << i;
    EXPECT_EQ(list.GetMoniker(i).Get(), devices_[i].Get()) << i;
  }
  EXPECT_THROW(list.Filters(5), rtl::EListError);

  // Indexes outside the list ask no enumerator; a device gone since the listing gives nil.
  made_ = 0;
  EXPECT_FALSE(list.GetMoniker(-1));
  EXPECT_FALSE(list.GetMoniker(5));
  EXPECT_EQ(made_, 0);
  devices_.pop_back();
  EXPECT_FALSE(list.GetMoniker(4));
  EXPECT_EQ(made_, 1);
}

TEST_F(SysDevEnum, CategoryWithoutDevicesOrWithoutEnumerator) {
  Add({{u"FriendlyName", u"Cam A"}});
  TSysDevEnum list(CLSID_AudioInputDeviceCategory);
  EXPECT_EQ(list.CountFilters(), 0);
  EXPECT_FALSE(list.GetMoniker(0));
  TClassOverride missing(CLSID_SystemDeviceEnum, nullptr);
  list.SelectGUIDCategory(kCategory);
  EXPECT_EQ(list.CountFilters(), 0);
}

class Webcam : public ComTest {
 protected:
  std::shared_ptr<TSyntheticCamera> a_ = std::make_shared<TSyntheticCamera>("a", "Camera A");
  std::shared_ptr<TSyntheticCamera> b_ = std::make_shared<TSyntheticCamera>("b", "Camera B");
  TInstalledDeviceProviders providers_{{std::make_shared<TSyntheticCameraProvider>(
      std::vector<std::shared_ptr<TSyntheticCamera>>{a_, b_})}};
};

std::string AssertionOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const rtl::EAssertionFailed& e) {
    return e.Message();
  }
  return "none";
}

TEST_F(Webcam, StoredMonikerBindsTheSameCameraWhoseFormatsAreListed) {
  TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
  ASSERT_EQ(devices.CountFilters(), 2);
  EXPECT_EQ(devices.Filters(1).FriendlyName, "Camera B");
  EXPECT_EQ(devices.Filters(1).CLSID, CLSID_SyntheticCameraSource);

  // Stored as the form stores it and read into another object, it names camera b itself, not
  // the second device: with camera a gone it still binds, with b gone it binds nothing.
  TBaseFilter stored, read;
  stored.SetMoniker(devices.GetMoniker(1).Get());
  rtl::TMemoryStream stream;
  rtl::TWriter(stream).WriteProperties(stored);
  stream.SetPosition(0);
  rtl::TReader(stream).ReadProperties(read);
  a_->SetPresent(false);
  ComPtr<IBaseFilter> filter = read.CreateFilter();
  ASSERT_TRUE(filter);
  b_->SetPresent(false);
  EXPECT_FALSE(read.CreateFilter());

  TEnumMediaType types;
  {
    TPinList pins(filter.Get());
    ASSERT_EQ(pins.Count(), 1);
    EXPECT_THROW(pins.GetPin(1), rtl::EListError);
    types.Assign(pins.First().Get());
  }
  ASSERT_EQ(types.Count(), 3);
  EXPECT_EQ(types.Items(2)->MediaRecord()->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(types.MediaDescription(0), GetMediaTypeDescription(types.Items(0)->MediaRecord()));
  EXPECT_NE(types.MediaDescription(0).find("640X480"), std::string::npos);
  EXPECT_EQ(types.MediaDescription(-1) + types.MediaDescription(3), "");
  EXPECT_THROW(types.Items(3), rtl::EListError);

  EXPECT_EQ(AssertionOf([&] { types.Assign(static_cast<IPin*>(nullptr)); }), "IPin not assigned");
  EXPECT_EQ(types.Count(), 0);
  EXPECT_EQ(AssertionOf([&] { types.Assign(static_cast<IEnumMediaTypes*>(nullptr)); }),
            "IEnumMediaType not assigned");
  EXPECT_THROW(TPinList(nullptr).First(), rtl::EListError);
}

}  // namespace
