// The sample grabber filter: an input pin that takes the media type set for it, an output pin
// that passes the samples on when it is connected, a copy of the last sample while buffering
// is on, and the callback that gets every sample on the streaming thread (whether the output
// pin is connected or not).
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dshow/filterbase.h"
#include "platform/dshow/grabber_interfaces.h"

class TSampleGrabberFilter : public TDSFilter, public ISampleGrabber {
 public:
  TSampleGrabberFilter();

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return TDSFilter::QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return TDSFilter::AddRef(); }
  ULONG Release() override { return TDSFilter::Release(); }

  HRESULT SetOneShot(BOOL oneShot) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mt) override;
  HRESULT SetBufferSamples(BOOL buffer) override;
  HRESULT GetCurrentBuffer(LONG* bufferSize, LONG* buffer) override;
  HRESULT GetCurrentSample(IMediaSample** sample) override;
  HRESULT SetCallback(ISampleGrabberCB* callback, LONG whichMethod) override;

  // The input pin's test for a type (input side of the filter).
  bool Accepts(const AM_MEDIA_TYPE& mt);
  // One sample from the input pin, on the streaming thread.
  HRESULT Grab(IMediaSample* sample);

 protected:
  void* FindExtraInterface(REFIID riid) override;

 private:
  class TInput;
  class TOutput;

  TInput* input_;
  TOutput* output_;

  std::mutex typeLock_;
  TAMMediaType required_;  // only its GUIDs count

  std::mutex bufferLock_;
  bool buffering_ = false;
  bool haveSample_ = false;
  std::vector<BYTE> buffer_;

  // Held while the callback runs, so that SetCallback can wait for it to end.
  std::mutex callbackLock_;
  ComPtr<ISampleGrabberCB> callback_;
  LONG whichMethod_ = 0;
  ComPtr<ISampleGrabberCB> retired_;  // replaced from inside the callback
  std::atomic<std::thread::id> callbackThread_{};
};
