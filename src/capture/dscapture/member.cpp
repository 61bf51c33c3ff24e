#include "capture/dscapture/member.h"

void TFilterGraphMember::SetFilterGraph(TFilterGraph* Value) {
  if (Value == filterGraph_) return;
  if (filterGraph_) {
    filterGraph_->RemoveFilter(this);
    RemoveFreeNotification(filterGraph_);
  }
  if (Value) {
    Value->InsertFilter(this);
    // A graph of another owner tells this member of its end directly.
    Value->FreeNotification(this);
  }
  filterGraph_ = Value;
}

void TFilterGraphMember::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  rtl::TComponent::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent != nullptr && AComponent == filterGraph_)
    filterGraph_ = nullptr;
}

HRESULT TFilterGraphMember::FilterInterface(IBaseFilter* Filter, REFIID riid, void** Obj) {
  if (!Filter) return E_NOINTERFACE;
  return static_cast<IUnknown*>(Filter)->QueryInterface(riid, Obj);
}
