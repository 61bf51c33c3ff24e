#include "dshow_test_source.h"

#include <cstring>

#include "platform/dshow/evcode.h"

class TTestSource::TPin : public TDSOutputPin {
 public:
  TPin(TTestSource& source, std::vector<TAMMediaType> types)
      : TDSOutputPin(source, u"Capture", PIN_CATEGORY_CAPTURE), types_(std::move(types)) {}

 protected:
  HRESULT GetMediaType(int index, TAMMediaType* mt) override {
    if (index < 0 || index >= static_cast<int>(types_.size())) return VFW_S_NO_MORE_ITEMS;
    *mt = types_[index];
    return S_OK;
  }

 private:
  std::vector<TAMMediaType> types_;
};

TTestSource::TTestSource(std::vector<TAMMediaType> types) : TDSFilter(CLSID_TestSource) {
  auto pin = std::make_unique<TPin>(*this, std::move(types));
  pin_ = pin.get();
  AddPin(std::move(pin));
}

TTestSource::~TTestSource() { Join(); }

ComPtr<TTestSource> TTestSource::Make(std::vector<TAMMediaType> types) {
  ComPtr<TTestSource> source;
  source.Attach(new TTestSource(std::move(types)));
  return source;
}

ComPtr<TTestSource> TTestSource::MakeRgb() {
  std::vector<TAMMediaType> types;
  types.push_back(MakeVideoInfoType(MEDIASUBTYPE_RGB24, 64, -48, 24, BI_RGB, UNITS / 30));
  types.push_back(MakeVideoInfoType(MEDIASUBTYPE_RGB24, 32, -24, 24, BI_RGB, UNITS / 30));
  return Make(std::move(types));
}

IPin* TTestSource::CapturePin() { return pin_; }

void TTestSource::AllowFrames(uint64_t total) {
  std::lock_guard guard(lock_);
  allowed_ = total;
  wake_.notify_all();
}

void TTestSource::LoseDevice() {
  std::lock_guard guard(lock_);
  lost_ = true;
  wake_.notify_all();
}

uint64_t TTestSource::Delivered() {
  std::lock_guard guard(lock_);
  return delivered_;
}

uint64_t TTestSource::Refused() {
  std::lock_guard guard(lock_);
  return refused_;
}

bool TTestSource::Streaming() {
  std::lock_guard guard(lock_);
  return thread_.joinable();
}

HRESULT TTestSource::OnRun(REFERENCE_TIME) {
  if (Failed(runFailure_)) return runFailure_;
  std::lock_guard guard(lock_);
  if (!thread_.joinable()) {
    stop_ = lost_ = false;
    thread_ = std::thread([this] { Stream(); });
  }
  return S_OK;
}

HRESULT TTestSource::OnPause(FILTER_STATE from) {
  if (from == State_Running) Join();
  return S_OK;
}

void TTestSource::OnStop() { Join(); }

void TTestSource::Join() {
  std::thread thread;
  {
    std::lock_guard guard(lock_);
    stop_ = true;
    wake_.notify_all();
    thread = std::move(thread_);
  }
  if (thread.joinable()) thread.join();
}

void TTestSource::Stream() {
  const TAMMediaType type = pin_->ConnectionType();
  const BITMAPINFOHEADER* header = type.Empty() ? nullptr : MediaTypeBitmapHeader(type.Get());
  const LONG size = header ? static_cast<LONG>(BitmapImageBytes(*header)) : 4;
  std::vector<BYTE> frame(size < 4 ? 4 : size);
  for (;;) {
    uint64_t index;
    {
      std::unique_lock guard(lock_);
      wake_.wait(guard, [this] { return stop_ || lost_ || delivered_ < allowed_; });
      if (stop_) return;
      if (lost_) break;
      index = delivered_;
    }
    const uint32_t stamp = static_cast<uint32_t>(index);
    std::memcpy(frame.data(), &stamp, sizeof stamp);
    const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(index) * (UNITS / 30);
    const HRESULT hr = pin_->DeliverBuffer(frame.data(), static_cast<LONG>(frame.size()), start,
                                           start + UNITS / 30);
    std::lock_guard guard(lock_);
    ++delivered_;
    if (hr != S_OK) ++refused_;
  }
  // The device went away: tell the graph (the event holds a reference to us) and end.
  IUnknown* self = static_cast<IBaseFilter*>(this);
  self->AddRef();
  NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(self), 0);
}

inline constexpr CLSID CLSID_TestSink{
    0x5E1F0A03, 0x7C3B, 0x4D2A, {0x9E, 0x11, 0x42, 0x6C, 0x33, 0x10, 0xAB, 0x03}};

class TTestSink::TPin : public TDSInputPin {
 public:
  explicit TPin(TTestSink& sink) : TDSInputPin(sink, u"In"), sink_(sink) {}

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
    return mt.majortype == MEDIATYPE_Video ? S_OK : S_FALSE;
  }
  HRESULT OnReceive(IMediaSample* sample) override {
    BYTE* data = nullptr;
    uint32_t counter = 0;
    if (Succeeded(sample->GetPointer(&data)) && sample->GetActualDataLength() >= 4)
      std::memcpy(&counter, data, 4);
    std::lock_guard guard(sink_.lock_);
    sink_.counters_.push_back(counter);
    return S_OK;
  }

 private:
  TTestSink& sink_;
};

TTestSink::TTestSink() : TDSFilter(CLSID_TestSink) { AddPin(std::make_unique<TPin>(*this)); }

ComPtr<TTestSink> TTestSink::Make() {
  ComPtr<TTestSink> sink;
  sink.Attach(new TTestSink);
  return sink;
}

std::vector<uint32_t> TTestSink::Counters() {
  std::lock_guard guard(lock_);
  return counters_;
}
