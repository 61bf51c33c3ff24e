// The device filter component: a member of a filter graph whose filter is bound, each time the
// graph adds it, from the device moniker kept in its BaseFilter; nothing of the filter outlives
// its removal from the graph.
#pragma once

#include <memory>

#include "capture/dsaux/basefilter.h"
#include "capture/dscapture/member.h"

class TFilter : public TFilterGraphMember {
 public:
  explicit TFilter(rtl::TComponent* AOwner);
  // Frees BaseFilter, then leaves the graph.
  ~TFilter() override;

  std::string ClassName() const override { return "TFilter"; }

  // The moniker of the chosen device (empty: no device); filled by the stored "data".
  TBaseFilter* BaseFilter() const { return baseFilter_.get(); }

  // IUnknown and IFilter, then the device filter's interfaces while it exists.
  HRESULT QueryInterface(REFIID riid, void** Obj) override;

  ComPtr<IBaseFilter> GetFilter() override { return deviceFilter_; }
  void NotifyFilter(TFilterOperation Operation) override;

 private:
  std::unique_ptr<TBaseFilter> baseFilter_;
  ComPtr<IBaseFilter> deviceFilter_;  // bound on foAdding, released on foRemoved
};
