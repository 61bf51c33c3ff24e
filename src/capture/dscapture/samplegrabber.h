// The sample grabber component: a member of a filter graph wrapping the Sample Grabber filter.
// It demands its media type of the filter's input, hands every sample buffer to OnBuffer on
// the graph's streaming thread (one call at a time, inside its critical section), and turns a
// frame into a bitmap.
//
// Threads: membership and NotifyFilter run on the GUI thread; BufferCB, OnBuffer and the
// GetBitmap calls made from it run on the streaming thread. The filter's interfaces that
// GetBitmap reads are set before the graph runs and released only after the filter stopped
// calling back (SetCallback with no callback waits for a running call).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "capture/dsaux/mediatypeobject.h"
#include "capture/dscapture/member.h"
#include "platform/dshow/grabber_interfaces.h"
#include "rtl/graphics.h"
#include "rtl/syncobjs.h"

// One sample: its time in seconds and its bytes, borrowed for the call.
using TOnBuffer =
    std::function<void(rtl::TComponent* sender, double SampleTime, BYTE* pBuffer, LONG BufferLen)>;

inline constexpr char SampleGrabberNotAvailable[] =
    "The SampleGrabber Filter is not available on this system.";

// Bytes of one row of a DIB: bit count (15 counted as 16) times width, padded to 32-bit words.
int64_t DIBScanLineBytes(int BitCount, int64_t Width);

class TSampleGrabber : public TFilterGraphMember, public ISampleGrabberCB {
 public:
  // Fails the assertion SampleGrabberNotAvailable when the filter class cannot be created.
  explicit TSampleGrabber(rtl::TComponent* AOwner);
  // Leaves the graph, then frees the media type and the critical section.
  ~TSampleGrabber() override;

  std::string ClassName() const override { return "TSampleGrabber"; }

  // Whether a Sample Grabber filter can be created here.
  static bool IsFilterAvailable();

  // The type demanded of the filter's input: video, RGB24, VideoInfo by default; its record
  // may be rewritten before the graph is activated. Filled by the stored "data".
  TMediaType* MediaType() const { return mediaType_.get(); }

  TOnBuffer OnBuffer;

  // IUnknown, IFilter and ISampleGrabberCB, then the filter's interfaces while it exists.
  HRESULT QueryInterface(REFIID riid, void** Obj) override;
  ULONG AddRef() override { return static_cast<ULONG>(-1); }
  ULONG Release() override { return static_cast<ULONG>(-1); }

  ComPtr<IBaseFilter> GetFilter() override { return grabberFilter_; }
  void NotifyFilter(TFilterOperation Operation) override;
  // Hands MediaType to the filter (its input is disconnected first).
  void UpdateMediaType();

  // The filter's callbacks (streaming thread): always S_OK.
  HRESULT SampleCB(double SampleTime, IMediaSample* pSample) override;
  HRESULT BufferCB(double SampleTime, BYTE* pBuffer, LONG BufferLen) override;

  // The connected frame into Bitmap, from Buffer (BufferLen bytes) or, without one, from the
  // filter's copy of the last sample. At most the bytes of the bitmap really made are copied.
  // False (Bitmap unchanged) when there is no connected video frame to make, or BufferLen is
  // not positive.
  bool GetBitmap(rtl::TBitmap* Bitmap, const void* Buffer = nullptr, LONG BufferLen = 0);

 private:
  std::unique_ptr<rtl::TCriticalSection> critSec_;
  std::unique_ptr<TMediaType> mediaType_;
  ComPtr<IBaseFilter> grabberFilter_;  // made on foAdding, released on foRemoved
  ComPtr<ISampleGrabber> sampleGrabber_;
  ComPtr<IPin> inputPin_;
  ComPtr<IPin> outputPin_;
};
