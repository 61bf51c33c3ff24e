// The devices of one device category (for the webcam: the video input devices) with their
// names, in the order the system device enumerator lists them, and the moniker of each.
#pragma once

#include <string>
#include <vector>

#include "platform/com/moniker.h"

struct TFilCatNode {
  // The property-bag value "FriendlyName"; empty when the device's bag cannot be read.
  std::string FriendlyName;
  // The property-bag value "CLSID"; the null GUID when absent or not a GUID text.
  GUID CLSID;
};

class TSysDevEnum {
 public:
  explicit TSysDevEnum(const GUID& Category);

  // Stores the category and lists its devices afresh (none when it has none or the system
  // device enumerator is missing).
  void SelectGUIDCategory(const GUID& Category);
  int CountFilters() const { return static_cast<int>(list_.size()); }
  // A copy of the Index-th entry; EListError outside 0 .. CountFilters - 1.
  TFilCatNode Filters(int Index) const;
  // The moniker of the Index-th device of a new enumeration of the category; nil outside
  // 0 .. CountFilters - 1 (the enumerator is not asked then), or when the device is gone.
  ComPtr<IMoniker> GetMoniker(int Index) const;
  const GUID& Category() const { return category_; }

 private:
  GUID category_{};
  std::vector<TFilCatNode> list_;
};
