// The capture graph builder: finds a source's pins by category and major type and connects a
// stream from them to a sink, through an intermediate filter when one is given.
#include "platform/dshow/classes.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/pinwalk.h"

namespace {

class TCaptureGraphBuilder : public TComObject<ICaptureGraphBuilder2> {
 public:
  HRESULT SetFiltergraph(IGraphBuilder* graph) override {
    if (!graph) return E_POINTER;
    if (graph_) return E_UNEXPECTED;
    graph_ = ComPtr<IGraphBuilder>(graph);
    return S_OK;
  }

  HRESULT GetFiltergraph(IGraphBuilder** graph) override {
    if (!graph) return E_POINTER;
    *graph = graph_.Get();
    if (!*graph) return E_UNEXPECTED;
    (*graph)->AddRef();
    return S_OK;
  }

  HRESULT FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category, const GUID* type,
                  BOOL unconnected, int num, IPin** pin) override;
  HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                        void** ppv) override;
  HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                       IBaseFilter* intermediate, IBaseFilter* sink) override;

 private:
  bool PinFits(IPin* pin, PIN_DIRECTION dir, const GUID* category, const GUID* type,
               BOOL unconnected) {
    return IsDirection(pin, dir) && (!category || PinCategory(pin) == *category) &&
           (!type || PinCarries(pin, *type)) && (!unconnected || !IsConnected(pin));
  }
  // Connects out to a free input pin of filter, asking the graph's site once for help.
  HRESULT ConnectTo(IPin* out, IBaseFilter* filter);
  HRESULT AskSite(IPin* pin);

  ComPtr<IGraphBuilder> graph_;
};

HRESULT TCaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category,
                                      const GUID* type, BOOL unconnected, int num, IPin** pin) {
  if (!source || !pin) return E_POINTER;
  *pin = nullptr;
  ComPtr<IPin> asPin;
  if (Succeeded(source->QueryInterface(IID_IPin, asPin.PutVoid()))) {
    if (num != 0 || !PinFits(asPin.Get(), dir, category, type, unconnected)) return E_FAIL;
    *pin = asPin.Detach();
    return S_OK;
  }
  ComPtr<IBaseFilter> filter;
  if (Failed(source->QueryInterface(IID_IBaseFilter, filter.PutVoid()))) return E_NOINTERFACE;
  for (ComPtr<IPin>& p : PinsOf(filter.Get()))
    if (PinFits(p.Get(), dir, category, type, unconnected) && num-- == 0) {
      *pin = p.Detach();
      return S_OK;
    }
  return E_FAIL;
}

HRESULT TCaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type,
                                            IBaseFilter* filter, REFIID riid, void** ppv) {
  if (!filter || !ppv) return E_POINTER;
  *ppv = nullptr;
  if (!category && !type && Succeeded(filter->QueryInterface(riid, ppv))) return S_OK;
  for (const ComPtr<IPin>& p : PinsOf(filter))
    if ((!category || PinCategory(p.Get()) == *category) && (!type || PinCarries(p.Get(), *type)) &&
        Succeeded(p->QueryInterface(riid, ppv)))
      return S_OK;
  return E_NOINTERFACE;
}

HRESULT TCaptureGraphBuilder::AskSite(IPin* pin) {
  ComPtr<IObjectWithSite> withSite;
  ComPtr<IAMFilterGraphCallback> callback;
  if (Failed(graph_->QueryInterface(IID_IObjectWithSite, withSite.PutVoid())) ||
      Failed(withSite->GetSite(IID_IAMFilterGraphCallback, callback.PutVoid())) || !callback)
    return S_FALSE;
  return callback->UnableToRender(pin);
}

HRESULT TCaptureGraphBuilder::ConnectTo(IPin* out, IBaseFilter* filter) {
  HRESULT hr = VFW_E_CANNOT_CONNECT;  // no free input pin
  for (int attempt = 0; attempt < 2; ++attempt) {
    for (const ComPtr<IPin>& in : PinsOf(filter)) {
      if (!IsDirection(in.Get(), PINDIR_INPUT) || IsConnected(in.Get())) continue;
      hr = graph_->Connect(out, in.Get());
      if (Succeeded(hr)) return S_OK;
    }
    // S_OK from the site: it changed something, try once more.
    if (attempt == 0 && AskSite(out) != S_OK) break;
  }
  return hr;
}

HRESULT TCaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                           IBaseFilter* intermediate, IBaseFilter* sink) {
  if (!source) return E_POINTER;
  if (!graph_) return E_UNEXPECTED;
  ComPtr<IPin> out;
  if (Failed(
          FindPin(source, PINDIR_OUTPUT, category, type, TRUE, 0, out.ReleaseAndGetAddressOf()))) {
    ComPtr<IPin> taken;
    if (Succeeded(FindPin(source, PINDIR_OUTPUT, category, type, FALSE, 0,
                          taken.ReleaseAndGetAddressOf())))
      return VFW_E_ALREADY_CONNECTED;
    return VFW_E_NOT_FOUND;
  }
  if (!intermediate && !sink) return graph_->Render(out.Get());
  if (intermediate) {
    HRESULT hr = ConnectTo(out.Get(), intermediate);
    if (Failed(hr)) return hr;
    if (!sink) return S_OK;
    if (Failed(FindPin(intermediate, PINDIR_OUTPUT, nullptr, nullptr, TRUE, 0,
                       out.ReleaseAndGetAddressOf())))
      return VFW_E_NOT_FOUND;
  }
  return ConnectTo(out.Get(), sink);
}

}  // namespace

HRESULT CreateCaptureGraphBuilder(REFIID riid, void** ppv) {
  ComPtr<ICaptureGraphBuilder2> builder;
  builder.Attach(new (std::nothrow) TCaptureGraphBuilder);
  if (!builder) return E_OUTOFMEMORY;
  return builder->QueryInterface(riid, ppv);
}
