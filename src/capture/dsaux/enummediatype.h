// The media types a pin offers, as TMediaType copies in the pin's order, with a one-line
// description of each (the video formats the settings window lists).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "capture/dsaux/mediatypeobject.h"
#include "platform/dshow/filter_interfaces.h"

class TEnumMediaType {
 public:
  TEnumMediaType();
  ~TEnumMediaType();
  TEnumMediaType(const TEnumMediaType&) = delete;
  TEnumMediaType& operator=(const TEnumMediaType&) = delete;

  // Fails an assertion ("TDSEnumMediaType not created") when the list does not exist.
  int Count() const;
  // EListError outside 0 .. Count - 1.
  TMediaType* Items(int Index) const;
  // The description of the item; empty outside 0 .. Count - 1.
  std::string MediaDescription(int Index) const;
  void Clear();

  // The pin's media types: a nil pin fails an assertion ("IPin not assigned"); a pin that
  // lists none leaves the list empty.
  void Assign(IPin* Pin);
  // The types the enumerator hands out from where it stands; a nil enumerator fails an
  // assertion ("IEnumMediaType not assigned").
  void Assign(IEnumMediaTypes* EnumMediaTypes);

 private:
  std::unique_ptr<std::vector<std::unique_ptr<TMediaType>>> list_;
};
