#include "platform/com/rot.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

#include "platform/com/com.h"

namespace {

// Names are equal when their display names are.
HRESULT DisplayName(IMoniker* name, std::u16string& text) {
  LPOLESTR display = nullptr;
  const HRESULT hr = name->GetDisplayName(nullptr, nullptr, &display);
  if (FAILED(hr)) return hr;
  text = std::u16string(WideView(display));
  CoTaskMemFree(display);
  return S_OK;
}

// Lives as long as the process; references to it count nothing.
class TRunningObjectTable final : public IRunningObjectTable {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = riid == IID_IUnknown || riid == IID_IRunningObjectTable ? this : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  HRESULT Register(DWORD flags, IUnknown* obj, IMoniker* name, DWORD* cookie) override {
    if (!cookie) return E_INVALIDARG;
    *cookie = 0;
    if (!obj || !name) return E_INVALIDARG;
    Entry entry{0, flags, ComPtr<IUnknown>(obj), ComPtr<IMoniker>(name), {}};
    const HRESULT hr = DisplayName(name, entry.display);
    if (FAILED(hr)) return hr;
    std::lock_guard guard(lock_);
    const bool taken = Find(entry.display) != entries_.end();
    // Cookies are never 0 and never reused within the run.
    if (++lastCookie_ == 0) ++lastCookie_;
    entry.cookie = lastCookie_;
    entries_.push_back(std::move(entry));
    *cookie = lastCookie_;
    return taken ? MK_S_MONIKERALREADYREGISTERED : S_OK;
  }

  HRESULT Revoke(DWORD cookie) override {
    Entry revoked;
    {
      std::lock_guard guard(lock_);
      const auto it = std::find_if(entries_.begin(), entries_.end(),
                                   [cookie](const Entry& e) { return e.cookie == cookie; });
      if (it == entries_.end()) return E_INVALIDARG;
      revoked = std::move(*it);
      entries_.erase(it);
    }
    return S_OK;  // the references go here, outside the lock
  }

  HRESULT IsRunning(IMoniker* name) override {
    ComPtr<IUnknown> object;
    const HRESULT hr = GetObject(name, object.ReleaseAndGetAddressOf());
    return hr == MK_E_UNAVAILABLE ? S_FALSE : hr;
  }

  HRESULT GetObject(IMoniker* name, IUnknown** obj) override {
    if (!obj) return E_POINTER;
    *obj = nullptr;
    if (!name) return E_INVALIDARG;
    std::u16string display;
    const HRESULT hr = DisplayName(name, display);
    if (FAILED(hr)) return hr;
    std::lock_guard guard(lock_);
    const auto it = Find(display);
    if (it == entries_.end()) return MK_E_UNAVAILABLE;
    *obj = it->object.Get();
    (*obj)->AddRef();
    return S_OK;
  }

  HRESULT FlagsOf(DWORD cookie, DWORD* flags) {
    if (!flags) return E_POINTER;
    std::lock_guard guard(lock_);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [cookie](const Entry& e) { return e.cookie == cookie; });
    if (it == entries_.end()) return E_INVALIDARG;
    *flags = it->flags;
    return S_OK;
  }

  HRESULT EnumRunning(IEnumMoniker** ppenum) override {
    if (!ppenum) return E_POINTER;
    std::vector<ComPtr<IMoniker>> names;
    {
      std::lock_guard guard(lock_);
      for (const Entry& e : entries_) names.push_back(e.name);
    }
    return CreateEnumMoniker(std::move(names), ppenum);
  }

 private:
  struct Entry {
    DWORD cookie = 0;
    DWORD flags = 0;
    ComPtr<IUnknown> object;
    ComPtr<IMoniker> name;
    std::u16string display;
  };

  std::vector<Entry>::iterator Find(const std::u16string& display) {
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](const Entry& e) { return e.display == display; });
  }

  std::mutex lock_;
  std::vector<Entry> entries_;
  DWORD lastCookie_ = 0;
};

}  // namespace

namespace {
TRunningObjectTable& TheTable() {
  static TRunningObjectTable* const table = new TRunningObjectTable;
  return *table;
}
}  // namespace

HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** pprot) {
  if (!pprot) return E_INVALIDARG;
  *pprot = nullptr;
  if (reserved != 0) return E_INVALIDARG;
  if (!CoIsInitialized()) return CO_E_NOTINITIALIZED;
  *pprot = &TheTable();
  return S_OK;
}

HRESULT GetRunningObjectFlags(DWORD cookie, DWORD* flags) {
  return TheTable().FlagsOf(cookie, flags);
}
