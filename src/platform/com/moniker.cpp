#include "platform/com/moniker.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "platform/com/builtin.h"
#include "platform/com/rot.h"
#include "platform/com/stream.h"

namespace {

// Longest delimiter or item a stored item moniker may claim; longer claims are damaged data.
constexpr uint32_t kMaxItemChars = 1u << 16;

LPOLESTR TaskMemText(const std::u16string& text) {
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
  if (!copy) return nullptr;
  std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
  return copy;
}

class TItemMoniker : public TComObject<IMoniker> {
 public:
  TItemMoniker(std::u16string delim, std::u16string item)
      : delim_(std::move(delim)), item_(std::move(item)) {}

  HRESULT GetClassID(CLSID* pClassID) override {
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_ItemMoniker;
    return S_OK;
  }
  HRESULT IsDirty() override { return S_FALSE; }
  HRESULT Load(IStream* stm) override {
    if (!stm) return E_POINTER;
    std::u16string delim, item;
    HRESULT hr = ReadCountedText(stm, kMaxItemChars, &delim);
    if (SUCCEEDED(hr)) hr = ReadCountedText(stm, kMaxItemChars, &item);
    if (FAILED(hr)) return hr;
    delim_ = std::move(delim);
    item_ = std::move(item);
    return S_OK;
  }
  HRESULT Save(IStream* stm, BOOL) override {
    if (!stm) return E_POINTER;
    const HRESULT hr = WriteCountedText(stm, delim_);
    return FAILED(hr) ? hr : WriteCountedText(stm, item_);
  }
  HRESULT GetSizeMax(ULARGE_INTEGER* size) override {
    if (!size) return E_POINTER;
    size->QuadPart = 2 * sizeof(uint32_t) + (delim_.size() + item_.size()) * sizeof(char16_t);
    return S_OK;
  }

  HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    ComPtr<IRunningObjectTable> rot;
    HRESULT hr = GetRunningObjectTable(0, rot.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> object;
    hr = rot->GetObject(this, object.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    return object->QueryInterface(riid, ppv);
  }
  HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return MK_E_NOSTORAGE;
  }
  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* displayName) override {
    if (!displayName) return E_POINTER;
    *displayName = TaskMemText(delim_ + item_);
    return *displayName ? S_OK : E_OUTOFMEMORY;
  }

 private:
  std::u16string delim_;
  std::u16string item_;
};

class TEnumMoniker : public TComObject<IEnumMoniker> {
 public:
  TEnumMoniker(std::shared_ptr<const std::vector<ComPtr<IMoniker>>> items, size_t next)
      : items_(std::move(items)), next_(next) {}

  HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* fetched) override {
    if (!rgelt || (celt > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < celt && next_ < items_->size()) {
      rgelt[n] = (*items_)[next_++].Get();
      rgelt[n++]->AddRef();
    }
    if (fetched) *fetched = n;
    return n == celt ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG celt) override {
    const size_t left = items_->size() - next_;
    next_ += std::min<size_t>(celt, left);
    return celt <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumMoniker** ppenum) override {
    if (!ppenum) return E_POINTER;
    *ppenum = new (std::nothrow) TEnumMoniker(items_, next_);
    return *ppenum ? S_OK : E_OUTOFMEMORY;
  }

 private:
  std::shared_ptr<const std::vector<ComPtr<IMoniker>>> items_;
  size_t next_;
};

class TPropertyBag : public TComObject<IPropertyBag> {
 public:
  explicit TPropertyBag(std::vector<std::pair<std::u16string, std::u16string>> values)
      : values_(std::move(values)) {}

  HRESULT Read(LPCOLESTR propName, VARIANT* var, IErrorLog*) override {
    if (!propName || !var) return E_POINTER;
    std::lock_guard guard(lock_);
    for (const auto& [name, value] : values_) {
      if (name != WideView(propName)) continue;
      BSTR text = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
      if (!text) return E_OUTOFMEMORY;
      var->vt = VT_BSTR;
      var->bstrVal = text;
      return S_OK;
    }
    return E_FAIL;
  }
  HRESULT Write(LPCOLESTR propName, VARIANT* var) override {
    if (!propName || !var) return E_POINTER;
    if (var->vt != VT_BSTR) return E_INVALIDARG;
    std::u16string value(WideView(var->bstrVal).substr(0, SysStringLen(var->bstrVal)));
    std::lock_guard guard(lock_);
    for (auto& [name, old] : values_) {
      if (name != WideView(propName)) continue;
      old = std::move(value);
      return S_OK;
    }
    values_.emplace_back(std::u16string(WideView(propName)), std::move(value));
    return S_OK;
  }

 private:
  std::mutex lock_;
  std::vector<std::pair<std::u16string, std::u16string>> values_;
};

}  // namespace

HRESULT CreateItemMoniker(LPCOLESTR delim, LPCOLESTR item, IMoniker** ppmk) {
  if (!ppmk) return E_POINTER;
  *ppmk = new (std::nothrow)
      TItemMoniker(std::u16string(WideView(delim)), std::u16string(WideView(item)));
  return *ppmk ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateEnumMoniker(std::vector<ComPtr<IMoniker>> monikers, IEnumMoniker** ppenum) {
  if (!ppenum) return E_POINTER;
  *ppenum = new (std::nothrow)
      TEnumMoniker(std::make_shared<const std::vector<ComPtr<IMoniker>>>(std::move(monikers)), 0);
  return *ppenum ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreatePropertyBag(std::vector<std::pair<std::u16string, std::u16string>> values,
                          IPropertyBag** ppbag) {
  if (!ppbag) return E_POINTER;
  *ppbag = new (std::nothrow) TPropertyBag(std::move(values));
  return *ppbag ? S_OK : E_OUTOFMEMORY;
}

void RegisterBuiltinClasses(std::map<CLSID, TCreateInstance>& classes) {
  classes[CLSID_ItemMoniker] = [](REFIID riid, void** ppv) {
    ComPtr<IMoniker> moniker;
    moniker.Attach(new (std::nothrow) TItemMoniker(u"", u""));
    if (!moniker) return E_OUTOFMEMORY;
    return moniker->QueryInterface(riid, ppv);
  };
}
