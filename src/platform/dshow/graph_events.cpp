// The filter graph's events and its site.
#include "platform/dshow/graph.h"

HRESULT TFilterGraphManager::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2,
                                      LONG msTimeout) {
  return events_.Get(code, param1, param2, msTimeout);
}

HRESULT TFilterGraphManager::FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) {
  return events_.Free(code, param1, param2);
}

HRESULT TFilterGraphManager::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
  return events_.SetNotifyWindow(window, message, instanceData);
}

HRESULT TFilterGraphManager::SetNotifyFlags(LONG noNotifyFlags) {
  return events_.SetNotifyFlags(noNotifyFlags);
}

HRESULT TFilterGraphManager::GetNotifyFlags(LONG* noNotifyFlags) {
  return events_.GetNotifyFlags(noNotifyFlags);
}

HRESULT TFilterGraphManager::Notify(LONG code, LONG_PTR param1, LONG_PTR param2) {
  return events_.Add(code, param1, param2);
}

HRESULT TFilterGraphManager::SetSite(IUnknown* site) {
  std::lock_guard guard(siteLock_);
  site_ = ComPtr<IUnknown>(site);
  return S_OK;
}

HRESULT TFilterGraphManager::GetSite(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IUnknown> site;
  {
    std::lock_guard guard(siteLock_);
    site = site_;
  }
  if (!site) return E_FAIL;
  return site->QueryInterface(riid, ppv);
}

// The graph offers no services of its own: every request goes to the site.
HRESULT TFilterGraphManager::QueryService(REFGUID service, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  ComPtr<IServiceProvider> provider;
  if (Failed(GetSite(IID_IServiceProvider, provider.PutVoid())) || !provider) return E_NOINTERFACE;
  return provider->QueryService(service, riid, ppv);
}
