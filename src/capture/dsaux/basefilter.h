// A device moniker kept as bytes: the block holds nothing or the moniker saved as a COM
// persistent stream (its class id, then its own data), and binds to the device's filter.
#pragma once

#include <string>

#include "capture/dsaux/persistentmemory.h"
#include "platform/com/moniker.h"
#include "platform/dshow/filter_interfaces.h"

class TBaseFilter : public TPersistentMemory {
 public:
  std::string ClassName() const override { return "TBaseFilter"; }

  // The moniker the block holds; nil for an empty block or one that does not load.
  ComPtr<IMoniker> Moniker() const;
  // Saves Value into the block; nil empties it, and so does a moniker that fails to save.
  void SetMoniker(IMoniker* Value);
  // A new filter object bound from the moniker; nil without one or when binding fails.
  ComPtr<IBaseFilter> CreateFilter() const;
};
