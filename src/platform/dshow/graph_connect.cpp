// Connections of the filter graph. Pins connect directly: there are no intermediate filters
// to insert and no renderers, so what cannot connect directly cannot be rendered.
#include "platform/dshow/graph.h"
#include "platform/dshow/pinwalk.h"

HRESULT TFilterGraphManager::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) {
  if (!out || !in) return E_POINTER;
  std::lock_guard guard(lock_);
  if (!Contains(out) || !Contains(in)) return VFW_E_NOT_IN_GRAPH;
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!IsDirection(out, PINDIR_OUTPUT) || !IsDirection(in, PINDIR_INPUT))
    return VFW_E_INVALID_DIRECTION;
  return out->Connect(in, mt);
}

HRESULT TFilterGraphManager::Connect(IPin* out, IPin* in) {
  return ConnectDirect(out, in, nullptr);
}

HRESULT TFilterGraphManager::Disconnect(IPin* pin) {
  if (!pin) return E_POINTER;
  std::lock_guard guard(lock_);
  if (!Contains(pin)) return VFW_E_NOT_IN_GRAPH;
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  return pin->Disconnect();
}

HRESULT TFilterGraphManager::Reconnect(IPin* pin) { return ReconnectEx(pin, nullptr); }

HRESULT TFilterGraphManager::ReconnectEx(IPin*, const AM_MEDIA_TYPE*) { return E_NOTIMPL; }

HRESULT TFilterGraphManager::SetDefaultSyncSource() { return S_OK; }

HRESULT TFilterGraphManager::AskSiteUnableToRender(IPin* pin) {
  ComPtr<IAMFilterGraphCallback> callback;
  if (Failed(GetSite(IID_IAMFilterGraphCallback, callback.PutVoid())) || !callback) return S_FALSE;
  return callback->UnableToRender(pin);
}

HRESULT TFilterGraphManager::Render(IPin* out) {
  if (!out) return E_POINTER;
  {
    std::lock_guard guard(lock_);
    if (!Contains(out)) return VFW_E_NOT_IN_GRAPH;
  }
  // No filter here renders anything; the site may tell why, but nothing it does can help.
  AskSiteUnableToRender(out);
  return VFW_E_CANNOT_RENDER;
}

HRESULT TFilterGraphManager::RenderEx(IPin* out, DWORD, DWORD*) { return Render(out); }

HRESULT TFilterGraphManager::RenderFile(LPCWSTR, LPCWSTR) { return E_NOTIMPL; }

HRESULT TFilterGraphManager::AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter** filter) {
  if (filter) *filter = nullptr;
  return E_NOTIMPL;
}

HRESULT TFilterGraphManager::AddSourceFilterForMoniker(IMoniker*, IBindCtx*, LPCWSTR,
                                                       IBaseFilter** filter) {
  if (filter) *filter = nullptr;
  return E_NOTIMPL;
}

HRESULT TFilterGraphManager::Abort() { return S_OK; }

HRESULT TFilterGraphManager::ShouldOperationContinue() { return S_OK; }
