// A list of counted interface references: each item holds one reference, released when the item
// leaves the list or the list ends. Items are compared by the pointer they were added as.
#pragma once

#include <vector>

#include "platform/com/unknown.h"

namespace rtl {

class TInterfaceList {
 public:
  TInterfaceList() = default;
  virtual ~TInterfaceList() = default;
  TInterfaceList(const TInterfaceList&) = delete;
  TInterfaceList& operator=(const TInterfaceList&) = delete;

  // Appends Item (nullptr allowed) and returns its index.
  int Add(IUnknown* Item);
  int Count() const { return static_cast<int>(items_.size()); }
  // The item at Index, no reference added; EListError outside 0 .. Count - 1.
  IUnknown* Items(int Index) const;
  int IndexOf(IUnknown* Item) const;
  // Removes the first occurrence of Item; its former index, or -1.
  int Remove(IUnknown* Item);
  // EListError outside 0 .. Count - 1.
  void Delete(int Index);
  void Clear() { items_.clear(); }

 private:
  std::vector<ComPtr<IUnknown>> items_;
};

}  // namespace rtl
