// Enumerators over a list taken when they are made: pins, filters, media types. Each item
// handed out is the caller's (a reference, or a media-type record in task memory).
#pragma once

#include <vector>

#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/mediatype.h"

namespace dshow_detail {
template <class T>
T* HandOut(const ComPtr<T>& item) {
  if (item) item->AddRef();
  return item.Get();
}
inline AM_MEDIA_TYPE* HandOut(const TAMMediaType& item) { return MediaTypeCreateCopy(item.Get()); }
}  // namespace dshow_detail

template <class Interface, class Item, class Stored>
class TListEnumerator : public TComObject<Interface> {
 public:
  explicit TListEnumerator(std::vector<Stored> items, size_t position = 0)
      : items_(std::move(items)), position_(position) {}

  HRESULT Next(ULONG count, Item** out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && position_ < items_.size(); ++n, ++position_) {
      out[n] = dshow_detail::HandOut(items_[position_]);
      if (!out[n]) break;  // memory is short
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    const size_t left = items_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(Interface** ppenum) override {
    if (!ppenum) return E_POINTER;
    *ppenum = new TListEnumerator(items_, position_);
    return S_OK;
  }

 private:
  std::vector<Stored> items_;
  size_t position_;
};

using TPinEnumerator = TListEnumerator<IEnumPins, IPin, ComPtr<IPin>>;
using TFilterEnumerator = TListEnumerator<IEnumFilters, IBaseFilter, ComPtr<IBaseFilter>>;
using TMediaTypeEnumerator = TListEnumerator<IEnumMediaTypes, AM_MEDIA_TYPE, TAMMediaType>;
