#include "platform/dshow/mediatype.h"

#include <cstddef>
#include <cstring>

#include "platform/com/com.h"

HRESULT MediaTypeCopy(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source) {
  *target = source;
  target->pbFormat = nullptr;
  HRESULT hr = S_OK;
  if (source.cbFormat != 0 && source.pbFormat) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
    if (target->pbFormat)
      std::memcpy(target->pbFormat, source.pbFormat, source.cbFormat);
    else
      hr = E_OUTOFMEMORY;
  }
  if (!target->pbFormat) target->cbFormat = 0;
  if (target->pUnk) target->pUnk->AddRef();
  return hr;
}

void MediaTypeFree(AM_MEDIA_TYPE* mt) {
  if (!mt) return;
  CoTaskMemFree(mt->pbFormat);
  mt->pbFormat = nullptr;
  mt->cbFormat = 0;
  if (IUnknown* unk = std::exchange(mt->pUnk, nullptr)) unk->Release();
}

AM_MEDIA_TYPE* MediaTypeCreateCopy(const AM_MEDIA_TYPE& source) {
  auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!mt) return nullptr;
  if (Failed(MediaTypeCopy(mt, source))) {
    MediaTypeDelete(mt);
    return nullptr;
  }
  return mt;
}

void MediaTypeDelete(AM_MEDIA_TYPE* mt) {
  if (!mt) return;
  MediaTypeFree(mt);
  CoTaskMemFree(mt);
}

bool MediaTypeMatches(const AM_MEDIA_TYPE& offered, const AM_MEDIA_TYPE* required) {
  if (!required) return true;
  const auto fits = [](const GUID& have, const GUID& want) {
    return want == GUID_NULL || have == want;
  };
  return fits(offered.majortype, required->majortype) && fits(offered.subtype, required->subtype) &&
         fits(offered.formattype, required->formattype);
}

bool MediaTypeIsComplete(const AM_MEDIA_TYPE& mt) {
  return mt.majortype != GUID_NULL && mt.subtype != GUID_NULL && mt.formattype != GUID_NULL;
}

namespace {

// The bytes a format block of this type needs at least; 0 for types whose blocks are not read.
size_t NeededFormatBytes(const AM_MEDIA_TYPE& mt) {
  const GUID& f = mt.formattype;
  if (f == FORMAT_VideoInfo) return sizeof(VIDEOINFOHEADER);
  if (f == FORMAT_VideoInfo2) return sizeof(VIDEOINFOHEADER2);
  if (f == FORMAT_MPEGVideo) return offsetof(MPEG1VIDEOINFO, bSequenceHeader);
  if (f == FORMAT_MPEG2Video) return offsetof(MPEG2VIDEOINFO, dwSequenceHeader);
  if (f == FORMAT_WaveFormatEx) {
    if (mt.cbFormat < sizeof(WAVEFORMATEX) || !mt.pbFormat) return sizeof(WAVEFORMATEX);
    WAVEFORMATEX wf;
    std::memcpy(&wf, mt.pbFormat, sizeof wf);
    return sizeof(WAVEFORMATEX) + wf.cbSize;
  }
  return 0;
}

}  // namespace

HRESULT MediaTypeCheckFormat(const AM_MEDIA_TYPE& mt) {
  if (mt.cbFormat != 0 && !mt.pbFormat) return VFW_E_INVALIDMEDIATYPE;
  const size_t needed = NeededFormatBytes(mt);
  if (needed != 0 && (!mt.pbFormat || mt.cbFormat < needed)) return VFW_E_INVALIDMEDIATYPE;
  return S_OK;
}

const BITMAPINFOHEADER* MediaTypeBitmapHeader(const AM_MEDIA_TYPE& mt) {
  if (MediaTypeCheckFormat(mt) != S_OK) return nullptr;
  if (mt.formattype == FORMAT_VideoInfo)
    return &reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  if (mt.formattype == FORMAT_VideoInfo2)
    return &reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat)->bmiHeader;
  return nullptr;
}

uint64_t BitmapImageBytes(const BITMAPINFOHEADER& h) {
  if (h.biSizeImage != 0) return h.biSizeImage;
  const uint64_t bits = h.biBitCount == 15 ? 16 : h.biBitCount;
  const uint64_t width = h.biWidth < 0 ? 0 : static_cast<uint64_t>(h.biWidth);
  const uint64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  return (bits * width + 31) / 32 * 4 * height;
}

HRESULT TAMMediaType::Set(const AM_MEDIA_TYPE& source) {
  if (&source == &mt_) return S_OK;
  TAMMediaType copy;
  const HRESULT hr = MediaTypeCopy(&copy.mt_, source);
  std::swap(mt_, copy.mt_);
  return hr;
}

HRESULT TAMMediaType::SetFormat(const GUID& formatType, const void* data, ULONG size) {
  BYTE* block = nullptr;
  if (size != 0) {
    block = static_cast<BYTE*>(CoTaskMemAlloc(size));
    if (!block) return E_OUTOFMEMORY;
    if (data)
      std::memcpy(block, data, size);
    else
      std::memset(block, 0, size);
  }
  CoTaskMemFree(mt_.pbFormat);
  mt_.formattype = formatType;
  mt_.pbFormat = block;
  mt_.cbFormat = size;
  return S_OK;
}

TAMMediaType MakeVideoInfoType(const GUID& subtype, LONG width, LONG height, WORD bitCount,
                               DWORD compression, REFERENCE_TIME frameTime) {
  VIDEOINFOHEADER vih{};
  vih.AvgTimePerFrame = frameTime;
  BITMAPINFOHEADER& bih = vih.bmiHeader;
  bih.biSize = sizeof(BITMAPINFOHEADER);
  bih.biWidth = width;
  bih.biHeight = height;
  bih.biPlanes = 1;
  bih.biBitCount = bitCount;
  bih.biCompression = compression;
  const uint64_t image = BitmapImageBytes(bih);
  bih.biSizeImage = static_cast<DWORD>(image);
  if (frameTime > 0) vih.dwBitRate = static_cast<DWORD>(image * 8 * UNITS / frameTime);

  TAMMediaType mt;
  AM_MEDIA_TYPE* p = mt.Ptr();
  p->majortype = MEDIATYPE_Video;
  p->subtype = subtype;
  p->bFixedSizeSamples = compression == BI_RGB ? TRUE : FALSE;
  p->bTemporalCompression = FALSE;
  p->lSampleSize = static_cast<ULONG>(image);
  mt.SetFormat(FORMAT_VideoInfo, &vih, sizeof vih);
  return mt;
}
