#include "platform/dshow/capture_pin.h"

#include <cstdint>
#include <cstring>

#include "platform/dshow/filterbase.h"
#include "platform/dshow/guids.h"

LONG Rgb24Stride(LONG width) { return (24 * width + 31) / 32 * 4; }

LONG Rgb24FrameBytes(const TVideoFormat& format) {
  return Rgb24Stride(format.Width) * format.Height;
}

TAMMediaType Rgb24MediaType(const TVideoFormat& format) {
  return MakeVideoInfoType(MEDIASUBTYPE_RGB24, format.Width, format.Height, 24, BI_RGB,
                           format.FrameTime);
}

int FindVideoFormat(const std::vector<TVideoFormat>& formats, const AM_MEDIA_TYPE& mt) {
  if (mt.majortype != MEDIATYPE_Video || mt.subtype != MEDIASUBTYPE_RGB24 ||
      mt.formattype != FORMAT_VideoInfo || MediaTypeCheckFormat(mt) != S_OK)
    return -1;
  VIDEOINFOHEADER vih;
  std::memcpy(&vih, mt.pbFormat, sizeof vih);
  const BITMAPINFOHEADER& h = vih.bmiHeader;
  if (h.biBitCount != 24 || h.biCompression != BI_RGB || h.biPlanes != 1) return -1;
  for (size_t i = 0; i < formats.size(); ++i) {
    const TVideoFormat& f = formats[i];
    if (h.biWidth == f.Width && h.biHeight == f.Height &&
        (vih.AvgTimePerFrame == 0 || vih.AvgTimePerFrame == f.FrameTime))
      return static_cast<int>(i);
  }
  return -1;
}

TCapturePin::TCapturePin(TDSFilter& filter, std::vector<TVideoFormat> formats)
    : TDSOutputPin(filter, u"Capture", PIN_CATEGORY_CAPTURE), formats_(std::move(formats)) {}

void* TCapturePin::FindInterface(REFIID riid) {
  if (riid == IID_IAMStreamConfig) return static_cast<IAMStreamConfig*>(this);
  return TDSOutputPin::FindInterface(riid);
}

HRESULT TCapturePin::GetMediaType(int index, TAMMediaType* mt) {
  if (!mt) return E_POINTER;
  std::lock_guard guard(configLock_);
  if (chosen_ >= 0) {
    if (index != 0) return VFW_S_NO_MORE_ITEMS;
    *mt = Rgb24MediaType(formats_[chosen_]);
    return S_OK;
  }
  if (index < 0 || static_cast<size_t>(index) >= formats_.size()) return VFW_S_NO_MORE_ITEMS;
  *mt = Rgb24MediaType(formats_[index]);
  return S_OK;
}

HRESULT TCapturePin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  const int found = FindVideoFormat(formats_, mt);
  if (found < 0) return S_FALSE;
  std::lock_guard guard(configLock_);
  return chosen_ < 0 || chosen_ == found ? S_OK : S_FALSE;
}

TVideoFormat TCapturePin::CurrentFormat() const {
  if (IsConnected()) {
    const int connected = FindVideoFormat(formats_, ConnectionType().Get());
    if (connected >= 0) return formats_[connected];
  }
  std::lock_guard guard(configLock_);
  return formats_[chosen_ >= 0 ? chosen_ : 0];
}

HRESULT TCapturePin::SetFormat(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (MediaTypeCheckFormat(*mt) != S_OK) return VFW_E_INVALIDMEDIATYPE;
  const int found = FindVideoFormat(formats_, *mt);
  if (found < 0) return VFW_E_TYPE_NOT_ACCEPTED;
  if (IsConnected()) {
    // The connection stands with its type; only that one can be chosen now.
    return FindVideoFormat(formats_, ConnectionType().Get()) == found ? S_OK
                                                                      : VFW_E_ALREADY_CONNECTED;
  }
  if (Filter().State() != State_Stopped) return VFW_E_NOT_STOPPED;
  std::lock_guard guard(configLock_);
  chosen_ = found;
  return S_OK;
}

HRESULT TCapturePin::GetFormat(AM_MEDIA_TYPE** mt) {
  if (!mt) return E_POINTER;
  *mt = MediaTypeCreateCopy(Rgb24MediaType(CurrentFormat()).Get());
  return *mt ? S_OK : E_OUTOFMEMORY;
}

HRESULT TCapturePin::GetNumberOfCapabilities(int* count, int* size) {
  if (!count || !size) return E_POINTER;
  *count = static_cast<int>(formats_.size());
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

HRESULT TCapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) {
  if (!mt || !caps) return E_POINTER;
  *mt = nullptr;
  if (index < 0) return E_INVALIDARG;
  if (static_cast<size_t>(index) >= formats_.size()) return S_FALSE;
  const TVideoFormat& f = formats_[index];
  *mt = MediaTypeCreateCopy(Rgb24MediaType(f).Get());
  if (!*mt) return E_OUTOFMEMORY;
  // One size and one frame rate per format: no cropping, no stretching.
  VIDEO_STREAM_CONFIG_CAPS c{};
  c.guid = FORMAT_VideoInfo;
  c.InputSize = c.MinCroppingSize = c.MaxCroppingSize = {f.Width, f.Height};
  c.MinOutputSize = c.MaxOutputSize = {f.Width, f.Height};
  c.CropGranularityX = c.CropGranularityY = c.OutputGranularityX = c.OutputGranularityY = 1;
  c.MinFrameInterval = c.MaxFrameInterval = f.FrameTime;
  const int64_t bits =
      int64_t{Rgb24FrameBytes(f)} * 8 * UNITS / (f.FrameTime > 0 ? f.FrameTime : 1);
  c.MinBitsPerSecond = c.MaxBitsPerSecond = static_cast<LONG>(bits > INT32_MAX ? INT32_MAX : bits);
  std::memcpy(caps, &c, sizeof c);
  return S_OK;
}
