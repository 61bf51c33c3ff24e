#include "capture/dsaux/sysdevenum.h"

#include "platform/com/com.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/guids.h"
#include "rtl/sysutils.h"

namespace {

// A fresh enumerator of the category's device monikers; nil when the category has none or the
// system device enumerator cannot be made.
ComPtr<IEnumMoniker> EnumerateCategory(const GUID& category) {
  ComPtr<ICreateDevEnum> devices;
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_ICreateDevEnum,
                              devices.PutVoid())) ||
      !devices)
    return monikers;
  if (devices->CreateClassEnumerator(category, monikers.ReleaseAndGetAddressOf(), 0) != S_OK)
    monikers.Reset();
  return monikers;
}

// The named value of the bag as text: S_OK and the text, or the failure of the read.
HRESULT ReadText(IPropertyBag* bag, const char16_t* name, std::string* text) {
  VARIANT value;
  VariantInit(&value);
  const HRESULT hr = bag->Read(name, &value, nullptr);
  if (hr == S_OK) {
    if (value.vt == VT_BSTR && value.bstrVal)
      *text = WideToUtf8(std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal)));
    else if (value.vt == VT_I4)
      *text = std::to_string(value.lVal);
  }
  VariantClear(&value);
  return hr;
}

TFilCatNode DescribeDevice(IMoniker* moniker) {
  TFilCatNode node{};
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) || !bag)
    return node;
  ReadText(bag.Get(), u"FriendlyName", &node.FriendlyName);
  std::string clsid;
  if (ReadText(bag.Get(), u"CLSID", &clsid) != S_OK || FAILED(CLSIDFromString(clsid, &node.CLSID)))
    node.CLSID = GUID_NULL;
  return node;
}

}  // namespace

TSysDevEnum::TSysDevEnum(const GUID& Category) { SelectGUIDCategory(Category); }

void TSysDevEnum::SelectGUIDCategory(const GUID& Category) {
  list_.clear();
  category_ = Category;
  const ComPtr<IEnumMoniker> monikers = EnumerateCategory(category_);
  if (!monikers) return;
  for (;;) {
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    if (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), &fetched) != S_OK || !moniker) break;
    // Every device gets its entry, so that GetMoniker reaches it by the same index.
    list_.push_back(DescribeDevice(moniker.Get()));
  }
}

TFilCatNode TSysDevEnum::Filters(int Index) const {
  if (Index < 0 || Index >= CountFilters()) rtl::ListIndexError(Index);
  return list_[Index];
}

ComPtr<IMoniker> TSysDevEnum::GetMoniker(int Index) const {
  ComPtr<IMoniker> moniker;
  if (Index < 0 || Index >= CountFilters()) return moniker;
  const ComPtr<IEnumMoniker> monikers = EnumerateCategory(category_);
  if (!monikers) return moniker;
  monikers->Skip(static_cast<ULONG>(Index));
  ULONG fetched = 0;
  if (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), &fetched) != S_OK) moniker.Reset();
  monikers->Reset();
  return moniker;
}
