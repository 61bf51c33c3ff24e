#include "platform/dshow/devenum.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/com/moniker.h"
#include "platform/com/stream.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/guids.h"

namespace {

// Longest text a stored device moniker may claim; longer claims are damaged data.
constexpr uint32_t kMaxChars = 1u << 12;

// What a device moniker names and says of its device, as it saves it.
struct TDeviceName {
  std::u16string Provider, Path, FriendlyName, Clsid;
};

class TDeviceMoniker : public TComObject<IMoniker> {
 public:
  explicit TDeviceMoniker(TDeviceName name = {}) : name_(std::move(name)) {}

  HRESULT GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_CDeviceMoniker;
    return S_OK;
  }
  HRESULT IsDirty() override { return S_FALSE; }

  HRESULT Load(IStream* stm) override {
    if (!stm) return E_POINTER;
    TDeviceName read;
    HRESULT hr = S_OK;
    for (std::u16string* field : {&read.Provider, &read.Path, &read.FriendlyName, &read.Clsid})
      if (Succeeded(hr)) hr = ReadCountedText(stm, kMaxChars, field);
    if (Failed(hr)) return hr;
    std::lock_guard guard(lock_);
    name_ = std::move(read);
    return S_OK;
  }

  HRESULT Save(IStream* stm, BOOL) override {
    if (!stm) return E_POINTER;
    const TDeviceName name = Name();
    HRESULT hr = S_OK;
    for (const std::u16string* field :
         {&name.Provider, &name.Path, &name.FriendlyName, &name.Clsid})
      if (Succeeded(hr)) hr = WriteCountedText(stm, *field);
    return hr;
  }

  HRESULT GetSizeMax(ULARGE_INTEGER* size) override {
    if (!size) return E_POINTER;
    const TDeviceName name = Name();
    size->QuadPart = 4 * sizeof(uint32_t) + (name.Provider.size() + name.Path.size() +
                                             name.FriendlyName.size() + name.Clsid.size()) *
                                                sizeof(char16_t);
    return S_OK;
  }

  // The provider of that name makes the device's filter while the device is there.
  HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const TDeviceName name = Name();
    const std::string provider = WideToUtf8(name.Provider), path = WideToUtf8(name.Path);
    HRESULT hr = VFW_E_NO_CAPTURE_HARDWARE;
    for (const auto& p : DeviceProviders()) {
      if (p->Name() != provider) continue;
      ComPtr<IBaseFilter> filter;
      hr = p->CreateSourceFilter(path, filter.ReleaseAndGetAddressOf());
      if (Succeeded(hr) && filter) return filter->QueryInterface(riid, ppv);
      if (hr != VFW_E_NO_CAPTURE_HARDWARE) return hr;
    }
    return hr;
  }

  HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const TDeviceName name = Name();
    ComPtr<IPropertyBag> bag;
    const HRESULT hr = CreatePropertyBag(
        {{u"FriendlyName", name.FriendlyName}, {u"CLSID", name.Clsid}, {u"DevicePath", name.Path}},
        bag.ReleaseAndGetAddressOf());
    if (Failed(hr)) return hr;
    return bag->QueryInterface(riid, ppv);
  }

  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* displayName) override {
    if (!displayName) return E_POINTER;
    const TDeviceName name = Name();
    const std::u16string text = u"@device:" + name.Provider + u":" + name.Path;
    *displayName = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!*displayName) return E_OUTOFMEMORY;
    std::memcpy(*displayName, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
    return S_OK;
  }

 private:
  TDeviceName Name() const {
    std::lock_guard guard(lock_);
    return name_;
  }

  mutable std::mutex lock_;
  TDeviceName name_;
};

class TSystemDeviceEnum : public TComObject<ICreateDevEnum> {
 public:
  HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** ppenum, DWORD) override {
    if (!ppenum) return E_POINTER;
    *ppenum = nullptr;
    // Video input devices are the only category with members here.
    if (category != CLSID_VideoInputDeviceCategory) return S_FALSE;
    std::vector<ComPtr<IMoniker>> monikers;
    for (const auto& provider : DeviceProviders()) {
      std::vector<TVideoDevice> devices = provider->ListDevices();
      std::stable_sort(devices.begin(), devices.end(),
                       [](const auto& a, const auto& b) { return a.Path < b.Path; });
      for (const TVideoDevice& device : devices) {
        ComPtr<IMoniker> moniker;
        const HRESULT hr =
            CreateDeviceMoniker(provider->Name(), device, moniker.ReleaseAndGetAddressOf());
        if (Failed(hr)) return hr;
        monikers.push_back(std::move(moniker));
      }
    }
    if (monikers.empty()) return S_FALSE;
    return CreateEnumMoniker(std::move(monikers), ppenum);
  }
};

template <class Object, class... Args>
HRESULT MakeAndQuery(REFIID riid, void** ppv, Args&&... args) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IUnknown> object;
  object.Attach(static_cast<IUnknown*>(new (std::nothrow) Object(std::forward<Args>(args)...)));
  if (!object) return E_OUTOFMEMORY;
  return object->QueryInterface(riid, ppv);
}

}  // namespace

HRESULT CreateSystemDeviceEnum(REFIID riid, void** ppv) {
  return MakeAndQuery<TSystemDeviceEnum>(riid, ppv);
}

HRESULT CreateDeviceMoniker(REFIID riid, void** ppv) {
  return MakeAndQuery<TDeviceMoniker>(riid, ppv);
}

HRESULT CreateDeviceMoniker(const std::string& provider, const TVideoDevice& device,
                            IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = new (std::nothrow) TDeviceMoniker({Utf8ToWide(provider), Utf8ToWide(device.Path),
                                                Utf8ToWide(device.FriendlyName),
                                                Utf8ToWide(GUIDToString(device.FilterClsid))});
  return *moniker ? S_OK : E_OUTOFMEMORY;
}

void RegisterDeviceClasses(std::map<CLSID, TCreateInstance>& classes) {
  classes[CLSID_SystemDeviceEnum] = [](REFIID riid, void** ppv) {
    return CreateSystemDeviceEnum(riid, ppv);
  };
  classes[CLSID_CDeviceMoniker] = [](REFIID riid, void** ppv) {
    return CreateDeviceMoniker(riid, ppv);
  };
}
