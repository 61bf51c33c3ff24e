#include "capture/dsaux/mediatypes.h"

#include <cstring>

#include "platform/com/com.h"
#include "rtl/sysutils.h"

void CopyMediaType(AM_MEDIA_TYPE* Target, const AM_MEDIA_TYPE* Source) {
  rtl::Assert(Target != Source);
  *Target = *Source;
  if (Source->cbFormat != 0) {
    rtl::Assert(Source->pbFormat != nullptr);
    Target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(Source->cbFormat));
    if (!Target->pbFormat)
      Target->cbFormat = 0;
    else
      std::memcpy(Target->pbFormat, Source->pbFormat, Source->cbFormat);
  }
  if (Target->pUnk) Target->pUnk->AddRef();
}

void FreeMediaType(AM_MEDIA_TYPE* MediaType) {
  if (MediaType->cbFormat != 0) {
    CoTaskMemFree(MediaType->pbFormat);
    MediaType->cbFormat = 0;
    MediaType->pbFormat = nullptr;
  }
  if (MediaType->pUnk) {
    MediaType->pUnk->Release();
    MediaType->pUnk = nullptr;
  }
}
