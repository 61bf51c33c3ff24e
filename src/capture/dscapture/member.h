// What the two member components of a filter graph share: membership through their FilterGraph
// property, the news that their graph ended, and COM without reference counting (their owner
// frees them, never a COM reference).
#pragma once

#include <string>

#include "capture/dscapture/filtergraph.h"
#include "capture/dscapture/ifilter.h"
#include "rtl/component.h"

class TFilterGraphMember : public rtl::TComponent, public IFilter {
 public:
  TFilterGraph* FilterGraph() const { return filterGraph_; }
  // Leaves the present graph (RemoveFilter), joins Value (InsertFilter); the same graph again
  // does nothing.
  void SetFilterGraph(TFilterGraph* Value);

  ULONG AddRef() override { return static_cast<ULONG>(-1); }
  ULONG Release() override { return static_cast<ULONG>(-1); }
  std::string GetName() override { return Name(); }

 protected:
  explicit TFilterGraphMember(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}
  // A graph that ends clears the property; it is not asked to remove the member then.
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  // Answers for the filter's interfaces (after the component's own failed): the filter's
  // answer while it exists, else E_NOINTERFACE.
  static HRESULT FilterInterface(IBaseFilter* Filter, REFIID riid, void** Obj);

 private:
  TFilterGraph* filterGraph_ = nullptr;
};
