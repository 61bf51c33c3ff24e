// Threads: the filter's state changes (the graph's thread) prepare the camera on pause and
// start the streaming on run; the streaming thread of TV4L2Capture fills a sample of the pin
// per frame and delivers it. Stopping or pausing a running filter joins that thread.
#include "platform/dshow/v4l2/source_filter.h"

#include <algorithm>
#include <new>

#include "platform/dshow/capture_pin.h"
#include "platform/dshow/evcode.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/v4l2/capture.h"
#include "platform/dshow/v4l2/device_query.h"

namespace {

TVideoFormat FormatOf(const TV4L2Mode& mode) {
  return {static_cast<LONG>(mode.width), static_cast<LONG>(mode.height),
          FrameTimeOf(mode.interval)};
}

class TV4L2Source : public TDSFilter, private TV4L2FrameSink {
 public:
  TV4L2Source(TV4L2Handle device, std::vector<TV4L2Mode> modes)
      : TDSFilter(CLSID_V4L2CameraSource),
        device_(std::move(device)),
        modes_(std::move(modes)),
        capture_(device_) {
    std::vector<TVideoFormat> formats;
    for (const TV4L2Mode& mode : modes_) formats.push_back(FormatOf(mode));
    auto pin = std::make_unique<TCapturePin>(*this, std::move(formats));
    pin_ = pin.get();
    AddPin(std::move(pin));
  }

 protected:
  ~TV4L2Source() override { capture_.Stop(); }

  HRESULT OnPause(FILTER_STATE from) override {
    if (from == State_Running) {
      capture_.Stop();  // a paused source delivers nothing
      prepared_ = false;
      return S_OK;
    }
    return Prepare();
  }

  HRESULT OnRun(REFERENCE_TIME) override {
    if (!prepared_) {
      const HRESULT hr = Prepare();
      if (Failed(hr)) return hr;
    }
    prepared_ = false;
    const HRESULT hr = capture_.Start(this);
    if (Failed(hr)) capture_.Stop();
    return hr;
  }

  void OnStop() override {
    capture_.Stop();
    prepared_ = false;
  }

 private:
  // The camera set to the pin's format, its buffers mapped. A camera that another program
  // holds fails here with E_DEVICE_BUSY, and so does the graph's run.
  HRESULT Prepare() {
    const TVideoFormat format = pin_->CurrentFormat();
    TV4L2Mode actual;
    HRESULT hr = capture_.Prepare(ModeFor(format), &actual);
    // Frames of another size than the connection's cannot be delivered.
    if (Succeeded(hr) && (static_cast<LONG>(actual.width) != format.Width ||
                          static_cast<LONG>(actual.height) != format.Height))
      hr = VFW_E_TYPE_NOT_ACCEPTED;
    if (Failed(hr)) {
      capture_.Stop();
      return hr;
    }
    prepared_ = true;
    return S_OK;
  }

  // The pin chooses the first format that a media type names, so the first mode of that
  // format is the one to stream.
  TV4L2Mode ModeFor(const TVideoFormat& format) const {
    for (const TV4L2Mode& mode : modes_) {
      const TVideoFormat f = FormatOf(mode);
      if (f.Width == format.Width && f.Height == format.Height && f.FrameTime == format.FrameTime)
        return mode;
    }
    return modes_.front();
  }

  // ---- TV4L2FrameSink, on the streaming thread ----

  uint8_t* BeginFrame(size_t bytes) override {
    BYTE* data = nullptr;
    // Unconnected, the frame goes nowhere, and a receiver that stopped takes none.
    if (!pin_->IsConnected() ||
        Failed(pin_->GetDeliveryBuffer(static_cast<LONG>(bytes), &sample_)) ||
        Failed(sample_->GetPointer(&data))) {
      sample_.Reset();
      return nullptr;
    }
    bytes_ = static_cast<LONG>(bytes);
    return data;
  }

  void EndFrame(bool complete, REFERENCE_TIME start, REFERENCE_TIME end) override {
    if (complete) {
      sample_->SetActualDataLength(bytes_);
      sample_->SetTime(&start, &end);
      sample_->SetSyncPoint(TRUE);
      pin_->Deliver(sample_.Get());
    }
    sample_.Reset();
  }

  // The event's parameter is the filter, with a reference that the event queue owns. Should
  // everyone else have let go of the filter meanwhile, it ends with `keep`, as the last thing
  // this call does (TV4L2Capture::Stop leaves the thread to return by itself then).
  void DeviceLost() override {
    const ComPtr<IBaseFilter> keep(this);
    keep->AddRef();
    NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(keep.Get())), 0);
  }

  void StreamFailed(int error) override {
    NotifyEvent(EC_STREAM_ERROR_STOPPED, V4L2Result(error), 0);
  }

  TV4L2Handle device_;
  const std::vector<TV4L2Mode> modes_;
  TV4L2Capture capture_;
  TCapturePin* pin_ = nullptr;
  bool prepared_ = false;        // state changes only
  ComPtr<IMediaSample> sample_;  // streaming thread only: the frame being filled
  LONG bytes_ = 0;
};

}  // namespace

std::vector<TV4L2Mode> OfferedV4L2Modes(const TV4L2Handle& device) {
  TV4L2DeviceDescription description = DescribeV4L2Device(device);
  for (TV4L2FormatDescription& format : description.formats) {
    if (!format.range || !V4L2FormatConvertible(format.pixelFormat)) continue;
    std::vector<TV4L2FrameSize> sizes;
    for (TV4L2FrameSize& size : format.sizes) {
      TV4L2Mode tried;
      if (Failed(TryV4L2Mode(device, {format.pixelFormat, size.width, size.height, {}}, &tried)) ||
          tried.pixelFormat != format.pixelFormat)
        continue;
      size.width = tried.width;
      size.height = tried.height;
      sizes.push_back(std::move(size));
    }
    format.sizes = std::move(sizes);
  }
  return ModesOf(description);
}

HRESULT CreateV4L2CameraSource(const std::shared_ptr<TV4L2DeviceAccess>& access,
                               const std::string& path, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  TV4L2Handle device = TV4L2Handle::Open(access, path);
  TV4L2DeviceInfo info;
  if (!device.Valid() || !QueryV4L2Capture(device, &info)) return VFW_E_NO_CAPTURE_HARDWARE;
  std::vector<TV4L2Mode> modes = OfferedV4L2Modes(device);
  if (modes.empty()) return VFW_E_NO_CAPTURE_HARDWARE;
  *filter = new (std::nothrow) TV4L2Source(std::move(device), std::move(modes));
  return *filter ? S_OK : E_OUTOFMEMORY;
}
