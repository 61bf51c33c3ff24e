// A V4L2 camera (the emulated driver) through the capture graph into the sample grabber's
// BufferCB: for YUYV and MJPEG frames of 640 × 480 and 1920 × 1080,
//  - Delivery: from the moment a frame lies done in a V4L2 buffer to the start of BufferCB
//    (wake-up of the streaming thread, dequeue, conversion to RGB24 by libv4lconvert, the
//    bottom-up copy, delivery through the grabber); "of_frame" is that time as a share of the
//    33.3 ms between two frames of a 30 frames-a-second camera;
//  - Conversion: libv4lconvert and the row copy alone, on the calling thread.
#include <benchmark/benchmark.h>
#include <linux/videodev2.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/com/com.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/grabber_interfaces.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/v4l2/convert.h"
#include "platform/dshow/v4l2/provider.h"
#include "support/v4l2_cameras.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFramePeriod = 1.0 / 30;
constexpr char kPath[] = "/dev/video0";

// Notes when each frame reaches it and reads one byte of it, as a frame handler would.
class TArrivals : public TComObject<ISampleGrabberCB> {
 public:
  HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
  HRESULT BufferCB(double, BYTE* buffer, LONG length) override {
    const Clock::time_point now = Clock::now();
    if (buffer && length > 0) benchmark::DoNotOptimize(buffer[length / 2]);
    std::lock_guard guard(lock_);
    ++frames_;
    last_ = now;
    arrived_.notify_all();
    return S_OK;
  }
  // Waits for frame number seen + 1 and returns when it arrived.
  Clock::time_point WaitPast(uint64_t seen) {
    std::unique_lock guard(lock_);
    arrived_.wait(guard, [&] { return frames_ > seen; });
    return last_;
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  uint64_t frames_ = 0;
  Clock::time_point last_;
};

std::vector<uint8_t> FrameOf(uint32_t format, uint32_t width, uint32_t height) {
  const RgbPicture bars = ColourBars(width, height);
  return format == V4L2_PIX_FMT_MJPEG ? ToJpeg(bars, 85) : ToYuyv(bars);
}

// The webcam control's graph over one emulated camera that offers only format at that size.
class TV4L2Graph {
 public:
  TV4L2Graph(uint32_t format, uint32_t width, uint32_t height)
      : driver_(std::make_shared<TV4L2EmulatedDriver>()), access_(driver_) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    driver_->AddNode(
        EmulatedCameraNode(kPath, "Bench Camera", {EmulatedFormat(format, {{width, height}})}));
    InstallDeviceProviders({MakeV4L2DeviceProvider()});
    arrivals_.Attach(new TArrivals);

    ComPtr<ICreateDevEnum> devEnum;
    ComPtr<IEnumMoniker> list;
    ComPtr<IMoniker> moniker;
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                     devEnum.PutVoid());
    devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.ReleaseAndGetAddressOf(),
                                   0);
    if (!list || list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) != S_OK) return;
    if (Failed(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, source_.PutVoid()))) return;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     graph_.PutVoid());
    graph_.As(control_);
    CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                     IID_ICaptureGraphBuilder2, builder_.PutVoid());
    builder_->SetFiltergraph(graph_.Get());
    CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     grabberFilter_.PutVoid());
    grabberFilter_.As(grabber_);
    AM_MEDIA_TYPE demanded{};
    demanded.majortype = MEDIATYPE_Video;
    demanded.subtype = MEDIASUBTYPE_RGB24;
    demanded.formattype = FORMAT_VideoInfo;
    grabber_->SetMediaType(&demanded);
    grabber_->SetBufferSamples(TRUE);
    grabber_->SetCallback(arrivals_.Get(), 1);
    graph_->AddFilter(source_.Get(), u"vFilterSource");
    graph_->AddFilter(grabberFilter_.Get(), u"vSampleGrabber");
    ok_ = Succeeded(builder_->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source_.Get(), nullptr,
                                           grabberFilter_.Get())) &&
          Succeeded(control_->Run());
  }
  ~TV4L2Graph() {
    if (control_) control_->Stop();
    if (grabber_) grabber_->SetCallback(nullptr, 1);
    if (graph_) {
      graph_->RemoveFilter(source_.Get());
      graph_->RemoveFilter(grabberFilter_.Get());
    }
    UninstallDeviceProviders();
  }

  bool Ok() const { return ok_; }
  TV4L2EmulatedDriver& Driver() { return *driver_; }
  TArrivals& Arrivals() { return *arrivals_.Get(); }

 private:
  std::shared_ptr<TV4L2EmulatedDriver> driver_;
  TInstalledV4L2Access access_;
  ComPtr<TArrivals> arrivals_;
  ComPtr<IBaseFilter> source_, grabberFilter_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<ICaptureGraphBuilder2> builder_;
  ComPtr<ISampleGrabber> grabber_;
  bool ok_ = false;
};

void Delivery(benchmark::State& state, uint32_t format, uint32_t width, uint32_t height) {
  TV4L2Graph graph(format, width, height);
  if (!graph.Ok()) return state.SkipWithError("the graph did not run");
  const std::vector<uint8_t> frame = FrameOf(format, width, height);
  uint64_t seen = 0;
  double total = 0;
  for (auto _ : state) {
    if (!graph.Driver().WaitForQueuedBuffer(kPath, std::chrono::seconds(10)))
      return state.SkipWithError("no buffer was queued");
    graph.Driver().ReleaseFrame(kPath, frame);
    const Clock::time_point done = Clock::now();
    const std::chrono::duration<double> took = graph.Arrivals().WaitPast(seen++) - done;
    state.SetIterationTime(took.count());
    total += took.count();
  }
  state.counters["of_frame"] = total / state.iterations() / kFramePeriod;
}

void Conversion(benchmark::State& state, uint32_t format, uint32_t width, uint32_t height) {
  auto driver = std::make_shared<TV4L2EmulatedDriver>();
  driver->AddNode(
      EmulatedCameraNode(kPath, "Bench Camera", {EmulatedFormat(format, {{width, height}})}));
  const TV4L2Handle device = TV4L2Handle::Open(driver, kPath);
  TV4L2Converter converter(device);
  v4l2_format f{};
  f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  f.fmt.pix.pixelformat = format;
  f.fmt.pix.width = width;
  f.fmt.pix.height = height;
  device.Ioctl(VIDIOC_S_FMT, &f);
  converter.SetSource(f.fmt.pix);
  const std::vector<uint8_t> frame = FrameOf(format, width, height);
  std::vector<uint8_t> bitmap(RgbImageBytes(width, height));
  const Clock::time_point start = Clock::now();
  for (auto _ : state)
    if (!converter.Convert(frame.data(), frame.size(), bitmap.data(), bitmap.size()))
      return state.SkipWithError("the frame did not convert");
  const std::chrono::duration<double> took = Clock::now() - start;
  state.counters["of_frame"] = took.count() / state.iterations() / kFramePeriod;
}

#define CAMERA_FRAMES(bench, ...)                                                      \
  BENCHMARK_CAPTURE(bench, yuyv_640x480, V4L2_PIX_FMT_YUYV, 640, 480) __VA_ARGS__;     \
  BENCHMARK_CAPTURE(bench, yuyv_1920x1080, V4L2_PIX_FMT_YUYV, 1920, 1080) __VA_ARGS__; \
  BENCHMARK_CAPTURE(bench, mjpeg_640x480, V4L2_PIX_FMT_MJPEG, 640, 480) __VA_ARGS__;   \
  BENCHMARK_CAPTURE(bench, mjpeg_1920x1080, V4L2_PIX_FMT_MJPEG, 1920, 1080) __VA_ARGS__

CAMERA_FRAMES(Delivery, ->UseManualTime()->Unit(benchmark::kMillisecond));
CAMERA_FRAMES(Conversion, ->Unit(benchmark::kMillisecond));

}  // namespace

BENCHMARK_MAIN();
