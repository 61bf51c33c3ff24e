#include "capture/dscapture/samplegrabber.h"

#include <algorithm>
#include <cstring>

#include "capture/dsaux/mediatypes.h"
#include "platform/com/com.h"
#include "platform/dshow/guids.h"
#include "platform/win/application.h"

namespace {

HRESULT CreateGrabberFilter(ComPtr<IBaseFilter>& filter) {
  return CoCreateInstance(CLSID_SampleGrabber, nullptr,
                          CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IBaseFilter,
                          filter.PutVoid());
}

// A bitmap header with room for the three colour masks of a BI_BITFIELDS bitmap: the format
// block holds the header alone, so the masks read as zeros rather than past its end.
struct TFrameHeader {
  BITMAPINFOHEADER header;
  DWORD masks[3];
};

}  // namespace

int64_t DIBScanLineBytes(int BitCount, int64_t Width) {
  const int64_t bits = BitCount == 15 ? 16 : BitCount;
  return (bits * Width + 31) / 32 * 4;
}

TSampleGrabber::TSampleGrabber(rtl::TComponent* AOwner)
    : TFilterGraphMember(AOwner), critSec_(std::make_unique<rtl::TCriticalSection>()) {
  rtl::Assert(IsFilterAvailable(), SampleGrabberNotAvailable);
  mediaType_ = std::make_unique<TMediaType>(MEDIATYPE_Video);
  mediaType_->SetSubType(MEDIASUBTYPE_RGB24);
  mediaType_->SetFormatType(FORMAT_VideoInfo);
}

TSampleGrabber::~TSampleGrabber() {
  try {
    SetFilterGraph(nullptr);
  } catch (...) {
    Application.HandleException(this);
  }
}

bool TSampleGrabber::IsFilterAvailable() {
  ComPtr<IBaseFilter> filter;
  return CreateGrabberFilter(filter) == S_OK;
}

HRESULT TSampleGrabber::QueryInterface(REFIID riid, void** Obj) {
  if (!Obj) return E_POINTER;
  *Obj = nullptr;
  if (riid == IID_IUnknown || riid == IID_IFilter)
    *Obj = static_cast<IFilter*>(this);
  else if (riid == IID_ISampleGrabberCB)
    *Obj = static_cast<ISampleGrabberCB*>(this);
  if (*Obj) return S_OK;
  return FilterInterface(grabberFilter_.Get(), riid, Obj);
}

void TSampleGrabber::NotifyFilter(TFilterOperation Operation) {
  switch (Operation) {
    case foAdding:
      grabberFilter_.Reset();
      if (FAILED(CreateGrabberFilter(grabberFilter_))) grabberFilter_.Reset();
      break;
    case foAdded: {
      if (!grabberFilter_) break;
      grabberFilter_.As(sampleGrabber_);
      ComPtr<IEnumPins> pins;
      if (SUCCEEDED(grabberFilter_->EnumPins(pins.ReleaseAndGetAddressOf())) && pins) {
        ULONG fetched = 0;
        pins->Next(1, inputPin_.ReleaseAndGetAddressOf(), &fetched);
        pins->Next(1, outputPin_.ReleaseAndGetAddressOf(), &fetched);
      }
      UpdateMediaType();
      if (sampleGrabber_) {
        sampleGrabber_->SetBufferSamples(TRUE);
        // Kind 1: the filter calls BufferCB, not SampleCB.
        sampleGrabber_->SetCallback(this, 1);
      }
      break;
    }
    case foRemoving:
      if (grabberFilter_) grabberFilter_->Stop();
      if (inputPin_) inputPin_->Disconnect();
      if (outputPin_) outputPin_->Disconnect();
      break;
    case foRemoved:
      if (sampleGrabber_) {
        sampleGrabber_->SetCallback(nullptr, 1);
        sampleGrabber_->SetBufferSamples(FALSE);
      }
      grabberFilter_.Reset();
      sampleGrabber_.Reset();
      inputPin_.Reset();
      outputPin_.Reset();
      break;
    case foRefresh:
      UpdateMediaType();
      break;
  }
}

void TSampleGrabber::UpdateMediaType() {
  if (!sampleGrabber_) return;
  if (grabberFilter_) grabberFilter_->Stop();
  if (inputPin_) inputPin_->Disconnect();
  sampleGrabber_->SetMediaType(mediaType_->MediaRecord());
}

HRESULT TSampleGrabber::SampleCB(double, IMediaSample*) { return S_OK; }

HRESULT TSampleGrabber::BufferCB(double SampleTime, BYTE* pBuffer, LONG BufferLen) {
  if (!OnBuffer) return S_OK;
  // A handler that raises has failed this frame only: the section is left, the exception ends
  // here, and the filter goes on with the next frame (showing it at frame rate would flood
  // the user with boxes).
  try {
    std::lock_guard guard(*critSec_);
    OnBuffer(this, SampleTime, pBuffer, BufferLen);
  } catch (...) {
  }
  return S_OK;
}

bool TSampleGrabber::GetBitmap(rtl::TBitmap* Bitmap, const void* Buffer, LONG BufferLen) {
  if (!Bitmap || (Buffer && BufferLen <= 0) || !sampleGrabber_) return false;

  AM_MEDIA_TYPE mt{};
  if (sampleGrabber_->GetConnectedMediaType(&mt) != S_OK) return false;
  struct TFreeType {
    AM_MEDIA_TYPE* mt;
    ~TFreeType() { FreeMediaType(mt); }
  } freeType{&mt};

  if (mt.majortype != MEDIATYPE_Video || !mt.pbFormat) return false;
  size_t headerAt = 0;
  if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat == sizeof(VIDEOINFOHEADER))
    headerAt = offsetof(VIDEOINFOHEADER, bmiHeader);
  else if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat == sizeof(VIDEOINFOHEADER2))
    headerAt = offsetof(VIDEOINFOHEADER2, bmiHeader);
  else
    return false;
  TFrameHeader info{};
  std::memcpy(&info.header, mt.pbFormat + headerAt, sizeof(BITMAPINFOHEADER));

  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info),
                                 DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib) return false;
  if (!bits) {
    DeleteObject(dib);
    return false;
  }

  // The frame's size as the header states it, and the size of the pixels really made: never
  // more than the latter is copied, whatever the header or the buffer claims.
  const BITMAPINFOHEADER& h = info.header;
  const int64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  const int64_t imageSize = h.biSizeImage != 0
                                ? static_cast<int64_t>(h.biSizeImage)
                                : DIBScanLineBytes(h.biBitCount, h.biWidth) * h.biPlanes * height;
  DIBSECTION section{};
  GetObjectA(dib, sizeof section, &section);
  const int64_t allocated =
      static_cast<int64_t>(section.dsBm.bmWidthBytes) * static_cast<int64_t>(section.dsBm.bmHeight);
  const int64_t limit = std::max<int64_t>(0, std::min(imageSize, allocated));

  if (!Buffer) {
    LONG size = 0;
    if (sampleGrabber_->GetCurrentBuffer(&size, nullptr) != S_OK || size <= 0) {
      DeleteObject(dib);
      return false;
    }
    size = static_cast<LONG>(std::min<int64_t>(size, limit));
    if (sampleGrabber_->GetCurrentBuffer(&size, static_cast<LONG*>(bits)) != S_OK) {
      DeleteObject(dib);
      return false;
    }
  } else {
    std::memcpy(bits, Buffer, static_cast<size_t>(std::min<int64_t>(BufferLen, limit)));
  }

  try {
    Bitmap->SetHandle(dib);
  } catch (...) {
    DeleteObject(dib);
    return false;
  }
  return true;
}
