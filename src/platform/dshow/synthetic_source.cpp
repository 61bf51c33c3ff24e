// The synthetic camera's capture source filter: one capture pin with the camera's formats, and
// a streaming thread from run to stop that draws each frame straight into a sample of the pin
// and delivers it. Frames are 24-bit RGB, bottom-up as the pin's media types say.
//
// Threads: the filter's state changes (the graph's thread) start and end the streaming thread;
// a stop asks the camera to end the stream and joins the thread, which waits for nothing but
// the camera and the receiver it delivers to.
#include <cstring>
#include <thread>

#include "platform/dshow/evcode.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/synthetic_camera.h"

namespace {

class TSyntheticSource : public TDSFilter {
 public:
  explicit TSyntheticSource(std::shared_ptr<TSyntheticCamera> camera)
      : TDSFilter(CLSID_SyntheticCameraSource), camera_(std::move(camera)) {
    auto pin = std::make_unique<TCapturePin>(*this, TSyntheticCamera::Formats());
    pin_ = pin.get();
    AddPin(std::move(pin));
  }

 protected:
  ~TSyntheticSource() override { EndStreaming(); }

  HRESULT OnPause(FILTER_STATE from) override {
    if (from == State_Running) {
      EndStreaming();  // a paused source delivers nothing
      return S_OK;
    }
    return camera_->Present() ? S_OK : VFW_E_NO_CAPTURE_HARDWARE;
  }

  HRESULT OnRun(REFERENCE_TIME) override {
    const TVideoFormat format = pin_->CurrentFormat();
    const HRESULT hr = camera_->Open(format.FrameTime);
    if (Failed(hr)) return hr;
    try {
      thread_ = std::thread([this, format] { Stream(format); });
    } catch (const std::system_error&) {
      camera_->Close();
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

  void OnStop() override { EndStreaming(); }

 private:
  void EndStreaming() {
    if (!thread_.joinable()) return;
    camera_->RequestStop();
    // The last reference was released on the streaming thread (ReportDeviceLost), which has
    // nothing left to do: it must not wait for itself.
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
    camera_->Close();
  }

  void Stream(const TVideoFormat format) {
    const LONG stride = Rgb24Stride(format.Width);
    const LONG bytes = Rgb24FrameBytes(format);
    for (;;) {
      uint64_t index = 0;
      const TSyntheticCamera::TWait wait = camera_->WaitForFrame(&index);
      if (wait == TSyntheticCamera::TWait::Stop) return;
      if (wait == TSyntheticCamera::TWait::Lost) {
        ReportDeviceLost();
        return;
      }
      ComPtr<IMediaSample> sample;
      BYTE* data = nullptr;
      // Unconnected, the frame is not drawn and goes nowhere, as with a real camera.
      if (pin_->IsConnected() && Succeeded(pin_->GetDeliveryBuffer(bytes, &sample)) &&
          Succeeded(sample->GetPointer(&data))) {
        TFrameView view(data + ptrdiff_t{format.Height - 1} * stride, -ptrdiff_t{stride},
                        format.Width, format.Height);
        camera_->Draw(index, view);
        if (stride > 3 * format.Width)
          for (LONG y = 0; y < format.Height; ++y)
            std::memset(data + ptrdiff_t{y} * stride + 3 * format.Width, 0,
                        stride - 3 * format.Width);
        sample->SetActualDataLength(bytes);
        REFERENCE_TIME start = static_cast<REFERENCE_TIME>(index) * format.FrameTime;
        REFERENCE_TIME end = start + format.FrameTime;
        sample->SetTime(&start, &end);
        sample->SetSyncPoint(TRUE);
        // A receiver that refuses (stopping, flushing) only loses this frame.
        pin_->Deliver(sample.Get());
      }
      camera_->FrameDone();
    }
  }

  // The event's parameter is the filter, with a reference that the event queue owns. Should
  // everyone else have let go of the filter meanwhile, its end comes with the release of
  // `keep`, as the last thing this thread does.
  void ReportDeviceLost() {
    const ComPtr<IBaseFilter> keep(this);
    keep->AddRef();
    NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(keep.Get())), 0);
  }

  std::shared_ptr<TSyntheticCamera> camera_;
  TCapturePin* pin_;
  std::thread thread_;
};

}  // namespace

HRESULT CreateSyntheticCameraSource(std::shared_ptr<TSyntheticCamera> camera,
                                    IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = camera ? new (std::nothrow) TSyntheticSource(std::move(camera)) : nullptr;
  return *filter ? S_OK : E_OUTOFMEMORY;
}
