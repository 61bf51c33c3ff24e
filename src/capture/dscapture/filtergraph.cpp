// The filter graph component: its life, activation and deactivation, members, running and
// stopping, the log file, the running-object table, volume and balance, and the callbacks the
// graph makes to its site.
#include "capture/dscapture/filtergraph.h"

#include <algorithm>

#include "capture/dsaux/decibels.h"
#include "capture/dsaux/errors.h"
#include "capture/dsaux/rot.h"
#include "platform/com/com.h"
#include "platform/dshow/guids.h"
#include "platform/win/application.h"

namespace {

// A new object of the class into field (released first); nil when it cannot be made.
template <class T>
void CreateInto(const CLSID& clsid, ComPtr<T>& field) {
  field.Reset();
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, T::iid, field.PutVoid())))
    field.Reset();
}

// The text of a property-bag value, when it reads as S_OK.
bool ReadBagText(IPropertyBag* bag, const char16_t* name, std::u16string* text) {
  VARIANT value;
  VariantInit(&value);
  const HRESULT hr = bag->Read(name, &value, nullptr);
  const bool ok = hr == S_OK;
  if (ok && value.vt == VT_BSTR && value.bstrVal) *text = std::u16string(WideView(value.bstrVal));
  VariantClear(&value);
  return ok;
}

}  // namespace

TFilterGraph::TFilterGraph(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {
  windowHandle_ = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TFilterGraph::~TFilterGraph() {
  try {
    SetActive(false);
  } catch (...) {
    Application.HandleException(this);
  }
  DeallocateHWnd(windowHandle_);
}

void TFilterGraph::Loaded() {
  if (autoCreate_ && !(ComponentState() & rtl::csDesigning)) SetActive(true);
  rtl::TComponent::Loaded();
}

// ---- activation ---------------------------------------------------------------------------

bool TFilterGraph::CreateGraphObjects() {
  switch (mode_) {
    case gmNormal:
      CreateInto(CLSID_FilterGraph, graph_);
      break;
    case gmCapture:
      CreateInto(CLSID_CaptureGraphBuilder2, captureBuilder_);
      CreateInto(CLSID_FilterGraph, graph_);
      if (captureBuilder_ && graph_) captureBuilder_->SetFiltergraph(graph_.Get());
      break;
    case gmDVD:
      CreateInto(CLSID_DvdGraphBuilder, dvdBuilder_);
      if (dvdBuilder_) {
        ComPtr<IGraphBuilder> builderGraph;
        dvdBuilder_->GetFiltergraph(builderGraph.ReleaseAndGetAddressOf());
        if (builderGraph) builderGraph.As(graph_);
      }
      break;
  }
  const bool complete =
      graph_ && (mode_ != gmCapture || captureBuilder_) && (mode_ != gmDVD || dvdBuilder_);
  // A graph missing one of its objects is never called into: the component stays inactive.
  if (!complete) {
    graph_.Reset();
    captureBuilder_.Reset();
    dvdBuilder_.Reset();
  }
  return complete;
}

void TFilterGraph::SetActive(bool Value) {
  if (Value == active_) return;
  if (Value)
    Activate();
  else
    Deactivate();
}

void TFilterGraph::Activate() {
  if (!CreateGraphObjects()) return;
  // From here on QueryInterface reaches the new objects.
  active_ = true;

  ComPtr<IMediaEventEx> events;
  if (SUCCEEDED(QueryInterface(IID_IMediaEventEx, events.PutVoid())) && events) {
    mediaEvent_ = events;
    mediaEvent_->SetNotifyFlags(0);
    mediaEvent_->SetNotifyWindow(reinterpret_cast<OAHWND>(windowHandle_), WM_GRAPHNOTIFY,
                                 reinterpret_cast<LONG_PTR>(this));
  }

  ComPtr<IObjectWithSite> site;
  if (SUCCEEDED(QueryInterface(IID_IObjectWithSite, site.PutVoid())) && site) {
    void* callback = nullptr;
    if (SUCCEEDED(QueryInterface(IID_IAMGraphBuilderCallback, &callback)) && callback)
      site->SetSite(static_cast<IAMGraphBuilderCallback*>(callback));
    callback = nullptr;
    if (SUCCEEDED(QueryInterface(IID_IAMFilterGraphCallback, &callback)) && callback)
      site->SetSite(static_cast<IAMFilterGraphCallback*>(callback));
  }
  site.Reset();

  SetGraphEdit(graphEdit_);
  SetLogFile(logFile_);
  AddAllFilters();
  if (OnActivate) OnActivate(this);
}

void TFilterGraph::Deactivate() {
  // The graph objects are let go of even when a member's removal raises: whoever holds the
  // graph after this component has gone must find nothing that points back into it.
  struct Release {
    TFilterGraph* graph;
    ~Release() { graph->ReleaseGraphObjects(); }
  } release{this};
  RemoveAllFilters();
}

void TFilterGraph::ReleaseGraphObjects() {
  if (mediaEvent_) {
    mediaEvent_->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
    mediaEvent_->SetNotifyWindow(0, 0, 0);
    mediaEvent_.Reset();
  }
  // The graph holds its site (this component, which counts no references) until told to drop
  // it; a graph released after the component would otherwise release freed memory.
  ComPtr<IObjectWithSite> site;
  if (SUCCEEDED(QueryInterface(IID_IObjectWithSite, site.PutVoid())) && site)
    site->SetSite(nullptr);
  site.Reset();
  if (rotCookie_ != 0) {
    RemoveGraphFromRot(rotCookie_);
    rotCookie_ = 0;
  }
  if (graph_) graph_->SetLogFile(0);
  logStream_.reset();
  graph_.Reset();
  captureBuilder_.Reset();
  dvdBuilder_.Reset();
  active_ = false;
}

void TFilterGraph::SetMode(TGraphMode Value) {
  if (Value == mode_) return;
  const bool wasActive = active_;
  SetActive(false);
  mode_ = Value;
  SetActive(wasActive);
}

HRESULT TFilterGraph::QueryInterface(REFIID riid, void** Obj) {
  if (!Obj) return E_POINTER;
  *Obj = nullptr;
  if (riid == IID_IUnknown || riid == IID_IAMGraphBuilderCallback)
    *Obj = static_cast<IAMGraphBuilderCallback*>(this);
  else if (riid == IID_IAMFilterGraphCallback)
    *Obj = static_cast<IAMFilterGraphCallback*>(this);
  else if (riid == IID_IServiceProvider)
    *Obj = static_cast<IServiceProvider*>(this);
  if (*Obj) return S_OK;
  if (!active_) return E_NOINTERFACE;

  HRESULT hr = E_NOINTERFACE;
  switch (mode_) {
    case gmNormal:
      if (graph_) hr = graph_->QueryInterface(riid, Obj);
      break;
    case gmCapture:
      if (captureBuilder_) hr = captureBuilder_->QueryInterface(riid, Obj);
      if (FAILED(hr) && graph_) hr = graph_->QueryInterface(riid, Obj);
      break;
    case gmDVD:
      if (dvdBuilder_) {
        hr = dvdBuilder_->QueryInterface(riid, Obj);
        if (FAILED(hr)) hr = dvdBuilder_->GetDvdInterface(riid, Obj);
      }
      if (FAILED(hr) && graph_) hr = graph_->QueryInterface(riid, Obj);
      break;
  }
  return hr;
}

// ---- members ------------------------------------------------------------------------------

IFilter* TFilterGraph::Member(int Index) const {
  return static_cast<IFilter*>(filters_->Items(Index));
}

void TFilterGraph::AddToGraph(IFilter* F) {
  F->NotifyFilter(foAdding);
  const std::u16string name = Utf8ToWide(F->GetName());
  const ComPtr<IBaseFilter> filter = F->GetFilter();
  graph_->AddFilter(filter.Get(), name.c_str());
  F->NotifyFilter(foAdded);
}

void TFilterGraph::RemoveFromGraph(IFilter* F) {
  F->NotifyFilter(foRemoving);
  const ComPtr<IBaseFilter> filter = F->GetFilter();
  graph_->RemoveFilter(filter.Get());
  F->NotifyFilter(foRemoved);
}

void TFilterGraph::AddAllFilters() {
  if (!filters_) return;
  const int count = filters_->Count();
  for (int i = 0; i < count; ++i) AddToGraph(Member(i));
}

void TFilterGraph::RemoveAllFilters() {
  if (!filters_) return;
  for (int i = 0; i < filters_->Count(); ++i) RemoveFromGraph(Member(i));
}

void TFilterGraph::InsertFilter(IFilter* F) {
  if (!F) return;
  if (!filters_) filters_ = std::make_unique<rtl::TInterfaceList>();
  filters_->Add(F);
  if (active_) AddToGraph(F);
}

void TFilterGraph::RemoveFilter(IFilter* F) {
  if (!F) return;
  if (filters_) filters_->Remove(F);
  if (active_) RemoveFromGraph(F);
  if (filters_ && filters_->Count() == 0) filters_.reset();
}

// ---- running ------------------------------------------------------------------------------

bool TFilterGraph::Play() {
  ComPtr<IMediaControl> control;
  if (FAILED(QueryInterface(IID_IMediaControl, control.PutVoid())) || !control) return false;
  return SUCCEEDED(CheckDSError(control->Run()));
}

bool TFilterGraph::Stop() {
  ComPtr<IMediaControl> control;
  if (FAILED(QueryInterface(IID_IMediaControl, control.PutVoid())) || !control) return false;
  return CheckDSError(control->Stop()) == S_OK;
}

// ---- settings -----------------------------------------------------------------------------

void TFilterGraph::SetLogFile(const std::string& Value) {
  if (!active_) {
    logFile_ = Value;
    return;
  }
  graph_->SetLogFile(0);
  logStream_.reset();
  try {
    if (!Value.empty()) {
      logStream_ = std::make_unique<rtl::TFileStream>(Value, rtl::fmCreate);
      graph_->SetLogFile(static_cast<DWORD_PTR>(logStream_->Handle()));
    }
    logFile_ = Value;
  } catch (...) {
    // No log then; the name that worked before stays.
    graph_->SetLogFile(0);
    logStream_.reset();
  }
}

void TFilterGraph::SetGraphEdit(bool Value) {
  if (Value) {
    DWORD cookie = 0;
    if (rotCookie_ == 0 && active_ && SUCCEEDED(AddGraphToRot(graph_.Get(), cookie)))
      rotCookie_ = cookie;
  } else if (rotCookie_ != 0) {
    RemoveGraphFromRot(rotCookie_);
    rotCookie_ = 0;
  }
  graphEdit_ = Value;
}

void TFilterGraph::SetVolume(int32_t Value) {
  volume_ = std::clamp(Value, 0, 10000);
  ComPtr<IBasicAudio> audio;
  if (SUCCEEDED(QueryInterface(IID_IBasicAudio, audio.PutVoid())) && audio)
    audio->put_Volume(linearVolume_ ? LinearToDecibelVolume(volume_) : volume_ - 10000);
}

void TFilterGraph::SetBalance(int32_t Value) {
  balance_ = std::clamp(Value, -10000, 10000);
  ComPtr<IBasicAudio> audio;
  if (SUCCEEDED(QueryInterface(IID_IBasicAudio, audio.PutVoid())) && audio)
    audio->put_Balance(linearVolume_ ? LinearToDecibelBalance(balance_) : balance_);
}

void TFilterGraph::SetLinearVolume(bool Value) {
  if (Value == linearVolume_) return;
  linearVolume_ = Value;
  SetVolume(volume_);
  SetBalance(balance_);
}

// ---- the graph's site ---------------------------------------------------------------------
// The callbacks run inside the graph's own calls: a handler's exception is shown here and the
// callback declines, so that nothing is thrown through the graph.

HRESULT TFilterGraph::SelectedFilter(IMoniker* Moniker) {
  if (!OnSelectedFilter) return S_OK;
  GUID classID = GUID_NULL;
  std::u16string filterName;
  ComPtr<IPropertyBag> bag;
  if (Moniker) Moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid());
  if (bag) {
    std::u16string text;
    // A text that is no GUID leaves the null GUID.
    if (ReadBagText(bag.Get(), u"CLSID", &text)) CLSIDFromString(WideToUtf8(text), &classID);
    ReadBagText(bag.Get(), u"FriendlyName", &filterName);
    bag.Reset();
  }
  try {
    return OnSelectedFilter(Moniker, filterName, classID) ? S_OK : E_FAIL;
  } catch (...) {
    Application.HandleException(this);
    return E_FAIL;
  }
}

HRESULT TFilterGraph::CreatedFilter(IBaseFilter* Filter) {
  if (!OnCreatedFilter) return S_OK;
  GUID classID = GUID_NULL;
  if (Filter) Filter->GetClassID(&classID);
  try {
    return OnCreatedFilter(Filter, classID) ? S_OK : E_FAIL;
  } catch (...) {
    Application.HandleException(this);
    return E_FAIL;
  }
}

HRESULT TFilterGraph::UnableToRender(IPin* Pin) {
  if (!Pin) return S_FALSE;
  PIN_INFO pinInfo{};
  if (Pin->QueryPinInfo(&pinInfo) != S_OK) return S_FALSE;
  ComPtr<IBaseFilter> filter;
  filter.Attach(pinInfo.pFilter);
  if (!filter) return S_FALSE;
  FILTER_INFO filterInfo{};
  if (filter->QueryFilterInfo(&filterInfo) != S_OK) return S_FALSE;
  ComPtr<IFilterGraph> graph;
  graph.Attach(filterInfo.pGraph);
  if (!graph) return S_FALSE;
  ComPtr<IServiceProvider> provider;
  if (graph->QueryInterface(IID_IServiceProvider, provider.PutVoid()) != S_OK || !provider)
    return S_FALSE;
  void* component = nullptr;
  if (provider->QueryService(SID_FilterGraphComponent, SID_FilterGraphComponent, &component) !=
          S_OK ||
      !component)
    return S_FALSE;
  TFilterGraph* owner = static_cast<TFilterGraph*>(component);
  if (!owner->OnUnableToRender) return S_FALSE;
  try {
    return owner->OnUnableToRender(Pin) ? S_OK : S_FALSE;
  } catch (...) {
    Application.HandleException(owner);
    return S_FALSE;
  }
}

HRESULT TFilterGraph::QueryService(REFGUID Service, REFIID riid, void** Obj) {
  if (Service == SID_FilterGraphComponent && riid == SID_FilterGraphComponent && Obj) {
    *Obj = this;
    return S_OK;
  }
  return E_NOINTERFACE;
}
