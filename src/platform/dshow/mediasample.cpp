#include <cstring>
#include <new>

#include "platform/dshow/pins.h"

TMediaSample::TMediaSample(LONG capacity)
    : buffer_(capacity > 0 ? new (std::nothrow) BYTE[capacity] : nullptr),
      capacity_(buffer_ ? capacity : 0) {}

HRESULT TMediaSample::GetPointer(BYTE** buffer) {
  if (!buffer) return E_POINTER;
  *buffer = buffer_.get();
  return S_OK;
}

HRESULT TMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  if (!start || !end) return E_POINTER;
  if (!timeValid_) return VFW_E_SAMPLE_TIME_NOT_SET;
  *start = start_;
  *end = end_;
  return S_OK;
}

HRESULT TMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  timeValid_ = start != nullptr;
  start_ = start ? *start : 0;
  end_ = end ? *end : start_;
  return S_OK;
}

HRESULT TMediaSample::SetSyncPoint(BOOL sync) {
  sync_ = sync != FALSE;
  return S_OK;
}

HRESULT TMediaSample::SetPreroll(BOOL preroll) {
  preroll_ = preroll != FALSE;
  return S_OK;
}

HRESULT TMediaSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > capacity_) return VFW_E_BUFFER_OVERFLOW;
  length_ = length;
  return S_OK;
}

HRESULT TMediaSample::GetMediaType(AM_MEDIA_TYPE** type) {
  if (!type) return E_POINTER;
  *type = nullptr;
  if (!type_) return S_FALSE;
  *type = MediaTypeCreateCopy(type_->Get());
  return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT TMediaSample::SetMediaType(AM_MEDIA_TYPE* type) {
  if (!type) {
    type_.reset();
    return S_OK;
  }
  type_ = std::make_unique<TAMMediaType>(*type);
  return S_OK;
}

HRESULT TMediaSample::SetDiscontinuity(BOOL discontinuity) {
  discontinuity_ = discontinuity != FALSE;
  return S_OK;
}

HRESULT TMediaSample::GetMediaTime(LONGLONG*, LONGLONG*) { return VFW_E_MEDIA_TIME_NOT_SET; }
HRESULT TMediaSample::SetMediaTime(LONGLONG*, LONGLONG*) { return E_NOTIMPL; }

ULONG TMediaSample::Release() {
  const ULONG left = TComObject::Release();
  // Back with the pool alone: free for the next delivery. (At 0 the object is gone.)
  if (left == 1) busy_.store(false);
  return left;
}

bool TMediaSample::Acquire(LONG capacity) {
  if (busy_.exchange(true)) return false;
  if (capacity > capacity_) {
    BYTE* bigger = new (std::nothrow) BYTE[capacity];
    if (!bigger) {
      busy_.store(false);
      return false;
    }
    buffer_.reset(bigger);
    capacity_ = capacity;
  }
  length_ = 0;
  timeValid_ = sync_ = preroll_ = discontinuity_ = false;
  type_.reset();
  return true;
}
