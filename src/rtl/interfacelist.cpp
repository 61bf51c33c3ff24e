#include "rtl/interfacelist.h"

#include "rtl/sysutils.h"

namespace rtl {

int TInterfaceList::Add(IUnknown* Item) {
  items_.emplace_back(Item);
  return Count() - 1;
}

IUnknown* TInterfaceList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return items_[Index].Get();
}

int TInterfaceList::IndexOf(IUnknown* Item) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].Get() == Item) return i;
  return -1;
}

int TInterfaceList::Remove(IUnknown* Item) {
  const int index = IndexOf(Item);
  if (index >= 0) items_.erase(items_.begin() + index);
  return index;
}

void TInterfaceList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  items_.erase(items_.begin() + Index);
}

}  // namespace rtl
