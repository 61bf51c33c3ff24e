// The synthetic camera through the capture graph into the sample grabber's BufferCB, drawing
// its default scene:
//  - SteppedFrames: frames asked for back to back; frames per second, and as a ratio to the
//    30 frames a second a camera delivers ("x_realtime", must be far above 1);
//  - PacedFrames: at the camera's own 30 frames a second; the processor time of the whole
//    process per delivered frame ("cpu_ms_per_frame", and "cpu_share" of the 33.3 ms frame).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/com/com.h"
#include "platform/dshow/grabber_interfaces.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/mediatype.h"
#include "platform/dshow/synthetic_camera.h"

namespace {

// Counts the frames that reach it and reads one byte of each, as a frame handler would.
class TCounter : public TComObject<ISampleGrabberCB> {
 public:
  HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
  HRESULT BufferCB(double, BYTE* buffer, LONG length) override {
    if (buffer && length > 0) benchmark::DoNotOptimize(buffer[length / 2]);
    std::lock_guard guard(lock_);
    ++frames_;
    arrived_.notify_all();
    return S_OK;
  }
  uint64_t WaitPast(uint64_t seen) {
    std::unique_lock guard(lock_);
    arrived_.wait(guard, [&] { return frames_ > seen; });
    return frames_;
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  uint64_t frames_ = 0;
};

// The webcam control's graph over one synthetic camera, running in the format of that size.
class TCameraGraph {
 public:
  TCameraGraph(TCameraPace pace, LONG width) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    camera_ = std::make_shared<TSyntheticCamera>("bench:0", "Bench Camera");
    camera_->SetPace(pace);
    InstallDeviceProviders({std::make_shared<TSyntheticCameraProvider>(std::vector{camera_})});
    counter_.Attach(new TCounter);

    ComPtr<ICreateDevEnum> devEnum;
    ComPtr<IEnumMoniker> list;
    ComPtr<IMoniker> moniker;
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                     devEnum.PutVoid());
    devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.ReleaseAndGetAddressOf(),
                                   0);
    list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr);
    moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, source_.PutVoid());

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
    grabber_->SetCallback(counter_.Get(), 1);
    graph_->AddFilter(source_.Get(), u"vFilterSource");
    graph_->AddFilter(grabberFilter_.Get(), u"vSampleGrabber");

    ComPtr<IAMStreamConfig> config;
    builder_->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, source_.Get(), IID_IAMStreamConfig,
                            config.PutVoid());
    int count = 0, size = 0;
    config->GetNumberOfCapabilities(&count, &size);
    for (int i = 0; i < count; ++i) {
      AM_MEDIA_TYPE* mt = nullptr;
      BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS)];
      config->GetStreamCaps(i, &mt, caps);
      if (MediaTypeBitmapHeader(*mt)->biWidth == width) config->SetFormat(mt);
      MediaTypeDelete(mt);
    }
    ok_ = Succeeded(builder_->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source_.Get(), nullptr,
                                           grabberFilter_.Get())) &&
          Succeeded(control_->Run());
  }
  ~TCameraGraph() {
    control_->Stop();
    grabber_->SetCallback(nullptr, 1);
    graph_->RemoveFilter(source_.Get());
    graph_->RemoveFilter(grabberFilter_.Get());
    UninstallDeviceProviders();
  }

  bool Ok() const { return ok_; }
  TSyntheticCamera& Camera() { return *camera_; }
  TCounter& Counter() { return *counter_.Get(); }

 private:
  std::shared_ptr<TSyntheticCamera> camera_;
  ComPtr<TCounter> counter_;
  ComPtr<IBaseFilter> source_, grabberFilter_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<ICaptureGraphBuilder2> builder_;
  ComPtr<ISampleGrabber> grabber_;
  bool ok_ = false;
};

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void SteppedFrames(benchmark::State& state) {
  TCameraGraph graph(TCameraPace::Stepped, static_cast<LONG>(state.range(0)));
  if (!graph.Ok()) return state.SkipWithError("the graph did not run");
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state)
    if (!graph.Camera().Step()) return state.SkipWithError("a step delivered nothing");
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  state.SetItemsProcessed(state.iterations());
  state.counters["x_realtime"] = state.iterations() / elapsed.count() / 30.0;
}
BENCHMARK(SteppedFrames)->Arg(640)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);

void PacedFrames(benchmark::State& state) {
  TCameraGraph graph(TCameraPace::Clock, static_cast<LONG>(state.range(0)));
  if (!graph.Ok()) return state.SkipWithError("the graph did not run");
  uint64_t seen = graph.Counter().WaitPast(0);  // the stream is under way
  const double cpuStart = ProcessCpuSeconds();
  for (auto _ : state) seen = graph.Counter().WaitPast(seen);
  const double perFrame = (ProcessCpuSeconds() - cpuStart) / state.iterations();
  state.counters["cpu_ms_per_frame"] = perFrame * 1e3;
  state.counters["cpu_share"] = perFrame * 30.0;
}
BENCHMARK(PacedFrames)
    ->Arg(640)
    ->Arg(1920)
    ->Iterations(90)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
