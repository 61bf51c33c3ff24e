#include "platform/dshow/samplegrabber.h"

#include <cstring>

#include "platform/dshow/classes.h"

class TSampleGrabberFilter::TInput : public TDSInputPin {
 public:
  explicit TInput(TSampleGrabberFilter& grabber)
      : TDSInputPin(grabber, u"Input"), grabber_(grabber) {}

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
    return grabber_.Accepts(mt) ? S_OK : S_FALSE;
  }
  HRESULT OnReceive(IMediaSample* sample) override { return grabber_.Grab(sample); }

 private:
  TSampleGrabberFilter& grabber_;
};

// Offers what the input pin is connected with.
class TSampleGrabberFilter::TOutput : public TDSOutputPin {
 public:
  TOutput(TSampleGrabberFilter& grabber, TDSPin& input)
      : TDSOutputPin(grabber, u"Output"), input_(input) {}

 protected:
  HRESULT GetMediaType(int index, TAMMediaType* mt) override {
    if (index != 0) return VFW_S_NO_MORE_ITEMS;
    *mt = input_.ConnectionType();
    return mt->Empty() ? VFW_S_NO_MORE_ITEMS : S_OK;
  }

 private:
  TDSPin& input_;
};

TSampleGrabberFilter::TSampleGrabberFilter() : TDSFilter(CLSID_SampleGrabber) {
  auto input = std::make_unique<TInput>(*this);
  auto output = std::make_unique<TOutput>(*this, *input);
  input_ = input.get();
  output_ = output.get();
  AddPin(std::move(input));
  AddPin(std::move(output));
}

void* TSampleGrabberFilter::FindExtraInterface(REFIID riid) {
  if (riid == IID_ISampleGrabber) return static_cast<ISampleGrabber*>(this);
  return nullptr;
}

bool TSampleGrabberFilter::Accepts(const AM_MEDIA_TYPE& mt) {
  std::lock_guard guard(typeLock_);
  return MediaTypeMatches(mt, &required_.Get());
}

HRESULT TSampleGrabberFilter::Grab(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const LONG length = data ? sample->GetActualDataLength() : 0;
  REFERENCE_TIME start = 0, end = 0;
  if (Failed(sample->GetTime(&start, &end))) start = 0;
  const double seconds = static_cast<double>(start) / UNITS;

  {
    std::lock_guard guard(bufferLock_);
    if (buffering_) {
      buffer_.assign(data, data + length);
      haveSample_ = true;
    }
  }
  ComPtr<ISampleGrabberCB> retired;
  {
    std::lock_guard guard(callbackLock_);
    if (callback_) {
      callbackThread_.store(std::this_thread::get_id());
      // An exception must not end the streaming thread; the sample goes on regardless.
      try {
        if (whichMethod_ == 0)
          callback_->SampleCB(seconds, sample);
        else
          callback_->BufferCB(seconds, data, length);
      } catch (...) {
      }
      callbackThread_.store(std::thread::id());
      retired = std::move(retired_);
    }
  }
  if (!output_->IsConnected()) return S_OK;
  return output_->Deliver(sample);
}

HRESULT TSampleGrabberFilter::SetOneShot(BOOL oneShot) { return oneShot ? E_NOTIMPL : S_OK; }

HRESULT TSampleGrabberFilter::SetMediaType(const AM_MEDIA_TYPE* mt) {
  AM_MEDIA_TYPE wanted{};
  if (mt) {
    wanted.majortype = mt->majortype;
    wanted.subtype = mt->subtype;
    wanted.formattype = mt->formattype;
  }
  std::lock_guard guard(typeLock_);
  required_.Set(wanted);
  return S_OK;
}

HRESULT TSampleGrabberFilter::GetConnectedMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return input_->ConnectionMediaType(mt);
}

HRESULT TSampleGrabberFilter::SetBufferSamples(BOOL buffer) {
  std::lock_guard guard(bufferLock_);
  buffering_ = buffer != FALSE;
  if (!buffering_) {
    haveSample_ = false;
    std::vector<BYTE>().swap(buffer_);
  }
  return S_OK;
}

HRESULT TSampleGrabberFilter::GetCurrentBuffer(LONG* bufferSize, LONG* buffer) {
  if (!bufferSize) return E_POINTER;
  std::lock_guard guard(bufferLock_);
  if (!buffering_) return E_INVALIDARG;
  if (!haveSample_) return VFW_E_WRONG_STATE;
  const LONG size = static_cast<LONG>(buffer_.size());
  if (buffer) {
    if (*bufferSize < size) return E_OUTOFMEMORY;
    if (size > 0) std::memcpy(buffer, buffer_.data(), size);
  }
  *bufferSize = size;
  return S_OK;
}

HRESULT TSampleGrabberFilter::GetCurrentSample(IMediaSample** sample) {
  if (sample) *sample = nullptr;
  return E_NOTIMPL;
}

HRESULT TSampleGrabberFilter::SetCallback(ISampleGrabberCB* callback, LONG whichMethod) {
  if (whichMethod != 0 && whichMethod != 1) return E_INVALIDARG;
  ComPtr<ISampleGrabberCB> old;
  if (callbackThread_.load() == std::this_thread::get_id()) {
    // From inside the callback: the lock is ours already.
    // The running callback's object must outlive its call: Grab releases it afterwards.
    retired_ = std::exchange(callback_, ComPtr<ISampleGrabberCB>(callback));
    whichMethod_ = whichMethod;
    return S_OK;
  }
  std::lock_guard guard(callbackLock_);  // waits for a callback under way
  old = std::exchange(callback_, ComPtr<ISampleGrabberCB>(callback));
  whichMethod_ = whichMethod;
  return S_OK;
}

HRESULT CreateSampleGrabber(REFIID riid, void** ppv) {
  ComPtr<IBaseFilter> grabber;
  grabber.Attach(new (std::nothrow) TSampleGrabberFilter);
  if (!grabber) return E_OUTOFMEMORY;
  return grabber->QueryInterface(riid, ppv);
}
