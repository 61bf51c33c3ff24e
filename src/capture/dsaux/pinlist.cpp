#include "capture/dsaux/pinlist.h"

TPinList::TPinList(IBaseFilter* Filter) : filter_(Filter) { Update(); }

TPinList::~TPinList() { filter_.Reset(); }

void TPinList::Update() {
  Clear();
  if (!filter_) return;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter_->EnumPins(pins.ReleaseAndGetAddressOf())) || !pins) return;
  for (;;) {
    ComPtr<IPin> pin;
    ULONG fetched = 0;
    if (pins->Next(1, pin.ReleaseAndGetAddressOf(), &fetched) != S_OK || !pin) break;
    Add(pin.Get());
  }
}

ComPtr<IPin> TPinList::GetPin(int Index) const {
  ComPtr<IPin> pin;
  if (IUnknown* item = Items(Index)) item->QueryInterface(IID_IPin, pin.PutVoid());
  return pin;
}
