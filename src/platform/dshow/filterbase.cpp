#include "platform/dshow/filterbase.h"

#include <algorithm>

#include "platform/dshow/enumerators.h"
#include "platform/dshow/evcode.h"
#include "platform/dshow/graph_interfaces.h"

TDSFilter::TDSFilter(const CLSID& clsid) : clsid_(clsid) {}

TDSFilter::~TDSFilter() = default;

HRESULT TDSFilter::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = FindOwnInterface(riid);
  if (!*ppv) *ppv = FindExtraInterface(riid);
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

void TDSFilter::AddPin(std::unique_ptr<TDSPin> pin) { pins_.push_back(std::move(pin)); }

HRESULT TDSFilter::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

FILTER_STATE TDSFilter::State() const {
  std::lock_guard guard(lock_);
  return state_;
}

REFERENCE_TIME TDSFilter::StreamStart() const {
  std::lock_guard guard(lock_);
  return start_;
}

HRESULT TDSFilter::Stop() {
  std::lock_guard change(changeLock_);
  {
    std::lock_guard guard(lock_);
    if (state_ == State_Stopped) return S_OK;
    state_ = State_Stopped;
  }
  // From here every Receive refuses; wait for the one under way, then end the streaming.
  for (const auto& pin : pins_) pin->StreamingStopped();
  OnStop();
  return S_OK;
}

HRESULT TDSFilter::Pause() {
  std::lock_guard change(changeLock_);
  const FILTER_STATE from = State();
  if (from == State_Paused) return S_OK;
  const HRESULT hr = OnPause(from);
  if (Failed(hr)) return hr;
  std::lock_guard guard(lock_);
  state_ = State_Paused;
  return S_OK;
}

HRESULT TDSFilter::Run(REFERENCE_TIME start) {
  std::lock_guard change(changeLock_);
  const FILTER_STATE from = State();
  if (from == State_Running) return S_OK;
  if (from == State_Stopped) {
    const HRESULT hr = OnPause(from);
    if (Failed(hr)) return hr;
  }
  {
    std::lock_guard guard(lock_);
    state_ = State_Running;
    start_ = start;
  }
  const HRESULT hr = OnRun(start);
  if (Failed(hr)) {
    std::lock_guard guard(lock_);
    state_ = State_Paused;
  }
  return hr;
}

HRESULT TDSFilter::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = State();
  return S_OK;
}

// Sources here keep their own time; a clock is accepted and not used.
HRESULT TDSFilter::SetSyncSource(IReferenceClock*) { return S_OK; }

HRESULT TDSFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  *clock = nullptr;
  return S_OK;
}

HRESULT TDSFilter::EnumPins(IEnumPins** ppenum) {
  if (!ppenum) return E_POINTER;
  std::vector<ComPtr<IPin>> pins;
  for (const auto& pin : pins_) pins.emplace_back(static_cast<IPin*>(pin.get()));
  *ppenum = new TPinEnumerator(std::move(pins));
  return S_OK;
}

HRESULT TDSFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (!id || !pin) return E_POINTER;
  *pin = nullptr;
  const std::u16string_view wanted(id);
  for (const auto& p : pins_)
    if (p->Name() == wanted) {
      *pin = p.get();
      (*pin)->AddRef();
      return S_OK;
    }
  return VFW_E_NOT_FOUND;
}

HRESULT TDSFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  std::lock_guard guard(lock_);
  const size_t n = std::min(name_.size(), MAX_FILTER_NAME - 1);
  std::copy_n(name_.data(), n, info->achName);
  info->achName[n] = 0;
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

HRESULT TDSFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  IMediaEventSink* sink = nullptr;
  if (graph) {
    // Kept without a reference: the graph outlives its membership.
    ComPtr<IMediaEventSink> held;
    if (Succeeded(graph->QueryInterface(IID_IMediaEventSink, held.PutVoid()))) sink = held.Get();
  }
  {
    std::lock_guard guard(lock_);
    graph_ = graph;
    name_ = graph && name ? std::u16string(name) : std::u16string();
  }
  std::lock_guard guard(sinkLock_);  // waits for an event being reported
  sink_ = sink;
  return S_OK;
}

HRESULT TDSFilter::QueryVendorInfo(LPWSTR* info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT TDSFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
  std::lock_guard guard(sinkLock_);
  if (sink_) return sink_->Notify(code, param1, param2);
  ReleaseEventParams(code, param1, param2);
  return E_UNEXPECTED;
}
