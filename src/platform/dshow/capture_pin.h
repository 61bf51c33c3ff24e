// The output pin of a capture source: category PIN_CATEGORY_CAPTURE, one media type per format
// of the device, each 24-bit RGB of the format's size with bottom-up rows (a positive
// biHeight, so the last row of the buffer is the top of the picture), and IAMStreamConfig to
// choose one of them before the pin connects.
#pragma once

#include <mutex>
#include <vector>

#include "platform/dshow/pins.h"

struct TVideoFormat {
  LONG Width;
  LONG Height;
  REFERENCE_TIME FrameTime;  // 100 ns units per frame
};

// The media type of a format as the capture pin offers it.
TAMMediaType Rgb24MediaType(const TVideoFormat& format);
// The index of the format that mt names (24-bit RGB VideoInfo of its size, bottom-up, with
// the format's frame time or none), -1 when it names none of them.
int FindVideoFormat(const std::vector<TVideoFormat>& formats, const AM_MEDIA_TYPE& mt);
// Bytes of one row of a 24-bit frame (padded to whole 32-bit words) and of a whole frame.
LONG Rgb24Stride(LONG width);
LONG Rgb24FrameBytes(const TVideoFormat& format);

class TCapturePin : public TDSOutputPin, public IAMStreamConfig {
 public:
  // formats: at least one.
  TCapturePin(TDSFilter& filter, std::vector<TVideoFormat> formats);

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return TDSPin::QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return TDSPin::AddRef(); }
  ULONG Release() override { return TDSPin::Release(); }

  // While the filter is stopped and the pin unconnected: from now on the pin lists only this
  // format and connects with it. VFW_E_TYPE_NOT_ACCEPTED for a type that names none of the
  // formats; VFW_E_ALREADY_CONNECTED for another format than the connected one.
  HRESULT SetFormat(AM_MEDIA_TYPE* mt) override;
  // The format the pin connects with now (the connection's while connected).
  HRESULT GetFormat(AM_MEDIA_TYPE** mt) override;
  HRESULT GetNumberOfCapabilities(int* count, int* size) override;
  // S_FALSE past the last format.
  HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) override;

  // The format the stream runs with: the connected one, else the chosen one, else the first.
  TVideoFormat CurrentFormat() const;

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
  HRESULT GetMediaType(int index, TAMMediaType* mt) override;
  void* FindInterface(REFIID riid) override;

 private:
  const std::vector<TVideoFormat> formats_;
  mutable std::mutex configLock_;
  int chosen_ = -1;  // set by SetFormat; -1: every format is offered
};
