// The pins of one filter, in the filter's order; the list holds a reference to each pin and one
// to the filter.
#pragma once

#include "platform/dshow/filter_interfaces.h"
#include "rtl/interfacelist.h"

class TPinList : public rtl::TInterfaceList {
 public:
  // Keeps Filter (nil allowed: no pins) and lists its pins.
  explicit TPinList(IBaseFilter* Filter);
  // The filter is released first, then the pins.
  ~TPinList() override;

  // Lists the filter's pins afresh.
  void Update();
  // EListError outside 0 .. Count - 1.
  ComPtr<IPin> GetPin(int Index) const;
  // GetPin(0): EListError when the filter has no pins.
  ComPtr<IPin> First() const { return GetPin(0); }
  int Add(IPin* Pin) { return rtl::TInterfaceList::Add(Pin); }

 private:
  ComPtr<IBaseFilter> filter_;
};
