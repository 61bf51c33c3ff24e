// The contract between the filter graph component and its member components: the graph asks a
// member for its filter and its name, and tells it around adding the filter to the DirectShow
// graph and removing it, so that the member can make its filter just before it is needed and
// drop it as soon as the graph lets it go.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dshow/filter_interfaces.h"

enum TFilterOperation : int32_t {
  foAdding = 0,    // before the member's filter is added to the graph
  foAdded = 1,     // after
  foRemoving = 2,  // before it is removed
  foRemoved = 3,   // after
  foRefresh = 4,   // re-apply the member's settings (the graph component never sends it)
};

struct IFilter : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x8D1C4F2A, 0x6B3E, 0x4A57, {0x9C, 0x21, 0x5E, 0x7F, 0x30, 0x4B, 0xD8, 0x16}};
  // The member's filter; nil while it has none.
  virtual ComPtr<IBaseFilter> GetFilter() = 0;
  // The member component's name, under which the graph adds its filter.
  virtual std::string GetName() = 0;
  virtual void NotifyFilter(TFilterOperation Operation) = 0;
};
inline constexpr IID IID_IFilter = IFilter::iid;
