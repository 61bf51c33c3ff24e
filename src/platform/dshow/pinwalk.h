// Walking a graph through interfaces only: a filter's pins, a pin's filter, direction and
// category, the filters downstream of a filter.
#pragma once

#include <vector>

#include "platform/dshow/filter_interfaces.h"

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter);
// The filter that owns the pin (null when it tells none).
ComPtr<IBaseFilter> FilterOf(IPin* pin);
bool IsDirection(IPin* pin, PIN_DIRECTION dir);
bool IsConnected(IPin* pin);
// The category the pin reports through AMPROPSETID_Pin; GUID_NULL when it reports none.
GUID PinCategory(IPin* pin);
// Whether the pin carries the major type: its connection's type when connected, else one of
// the types it lists.
bool PinCarries(IPin* pin, const GUID& majorType);
// The filters that the connected output pins of filter lead to.
std::vector<ComPtr<IBaseFilter>> FiltersDownstreamOf(IBaseFilter* filter);
// The same object: equal IUnknown identities.
bool SameObject(IUnknown* a, IUnknown* b);
