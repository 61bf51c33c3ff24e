#include "platform/dshow/pinwalk.h"

#include "platform/dshow/guids.h"
#include "platform/dshow/mediatype.h"

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter) {
  std::vector<ComPtr<IPin>> pins;
  ComPtr<IEnumPins> list;
  if (!filter || filter->EnumPins(list.ReleaseAndGetAddressOf()) != S_OK || !list) return pins;
  IPin* pin = nullptr;
  while (list->Next(1, &pin, nullptr) == S_OK && pin) {
    ComPtr<IPin> held;
    held.Attach(pin);
    pins.push_back(std::move(held));
  }
  return pins;
}

ComPtr<IBaseFilter> FilterOf(IPin* pin) {
  ComPtr<IBaseFilter> filter;
  PIN_INFO info{};
  if (pin && Succeeded(pin->QueryPinInfo(&info))) filter.Attach(info.pFilter);
  return filter;
}

bool IsDirection(IPin* pin, PIN_DIRECTION dir) {
  PIN_DIRECTION d;
  return pin && Succeeded(pin->QueryDirection(&d)) && d == dir;
}

bool IsConnected(IPin* pin) {
  ComPtr<IPin> peer;
  return pin && pin->ConnectedTo(peer.ReleaseAndGetAddressOf()) == S_OK && peer;
}

GUID PinCategory(IPin* pin) {
  ComPtr<IKsPropertySet> props;
  GUID category = GUID_NULL;
  DWORD returned = 0;
  if (pin && Succeeded(pin->QueryInterface(IID_IKsPropertySet, props.PutVoid())) &&
      props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof category,
                 &returned) == S_OK &&
      returned == sizeof category)
    return category;
  return GUID_NULL;
}

bool PinCarries(IPin* pin, const GUID& majorType) {
  AM_MEDIA_TYPE connected{};
  if (pin->ConnectionMediaType(&connected) == S_OK) {
    const bool carries = connected.majortype == majorType;
    MediaTypeFree(&connected);
    return carries;
  }
  ComPtr<IEnumMediaTypes> list;
  if (pin->EnumMediaTypes(list.ReleaseAndGetAddressOf()) != S_OK || !list) return false;
  bool carries = false;
  AM_MEDIA_TYPE* mt = nullptr;
  while (!carries && list->Next(1, &mt, nullptr) == S_OK && mt) {
    carries = mt->majortype == majorType;
    MediaTypeDelete(mt);
  }
  return carries;
}

std::vector<ComPtr<IBaseFilter>> FiltersDownstreamOf(IBaseFilter* filter) {
  std::vector<ComPtr<IBaseFilter>> downstream;
  for (const ComPtr<IPin>& pin : PinsOf(filter)) {
    if (!IsDirection(pin.Get(), PINDIR_OUTPUT)) continue;
    ComPtr<IPin> peer;
    if (pin->ConnectedTo(peer.ReleaseAndGetAddressOf()) != S_OK || !peer) continue;
    if (ComPtr<IBaseFilter> next = FilterOf(peer.Get())) downstream.push_back(std::move(next));
  }
  return downstream;
}

bool SameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return a == b;
  ComPtr<IUnknown> ua, ub;
  if (Failed(a->QueryInterface(IID_IUnknown, ua.PutVoid())) ||
      Failed(b->QueryInterface(IID_IUnknown, ub.PutVoid())))
    return a == b;
  return ua.Get() == ub.Get();
}
