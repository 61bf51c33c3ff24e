#include "capture/dscapture/filter.h"

#include "platform/win/application.h"

TFilter::TFilter(rtl::TComponent* AOwner)
    : TFilterGraphMember(AOwner), baseFilter_(std::make_unique<TBaseFilter>()) {}

TFilter::~TFilter() {
  baseFilter_.reset();
  try {
    SetFilterGraph(nullptr);
  } catch (...) {
    Application.HandleException(this);
  }
}

HRESULT TFilter::QueryInterface(REFIID riid, void** Obj) {
  if (!Obj) return E_POINTER;
  *Obj = nullptr;
  if (riid == IID_IUnknown || riid == IID_IFilter) {
    *Obj = static_cast<IFilter*>(this);
    return S_OK;
  }
  return FilterInterface(deviceFilter_.Get(), riid, Obj);
}

void TFilter::NotifyFilter(TFilterOperation Operation) {
  switch (Operation) {
    case foAdding:
      deviceFilter_ = baseFilter_ ? baseFilter_->CreateFilter() : nullptr;
      break;
    case foAdded:
      break;
    case foRemoving:
      if (deviceFilter_) {
        FILTER_STATE state = State_Stopped;
        if (deviceFilter_->GetState(0, &state) == S_OK &&
            (state == State_Paused || state == State_Running))
          deviceFilter_->Stop();
      }
      break;
    case foRemoved:
      deviceFilter_.Reset();
      break;
    case foRefresh:
      // With the graph active the filter leaves and a freshly bound one joins.
      if (TFilterGraph* graph = FilterGraph()) {
        graph->RemoveFilter(this);
        graph->InsertFilter(this);
      }
      break;
  }
}
