#include "grabber_graph.h"

#include <benchmark/benchmark.h>

#include "platform/com/com.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/mediatype.h"
#include "platform/dshow/runtime.h"

HRESULT TFrameArrivals::BufferCB(double, BYTE* buffer, LONG length) {
  const Clock::time_point now = Clock::now();
  if (buffer && length > 0) benchmark::DoNotOptimize(buffer[length / 2]);
  std::lock_guard guard(lock_);
  ++frames_;
  last_ = now;
  arrived_.notify_all();
  return S_OK;
}

TFrameArrivals::TArrival TFrameArrivals::WaitPast(uint64_t seen) {
  std::unique_lock guard(lock_);
  arrived_.wait(guard, [&] { return frames_ > seen; });
  return {frames_, last_};
}

TGrabberGraph::TGrabberGraph(TDeviceProviders providers) {
  RegisterDirectShowRuntime();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  InstallDeviceProviders(std::move(providers));
  arrivals_.Attach(new TFrameArrivals);

  ComPtr<ICreateDevEnum> devEnum;
  ComPtr<IEnumMoniker> list;
  ComPtr<IMoniker> moniker;
  CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                   devEnum.PutVoid());
  devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.ReleaseAndGetAddressOf(), 0);
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
}

TGrabberGraph::~TGrabberGraph() {
  if (control_) control_->Stop();
  if (grabber_) grabber_->SetCallback(nullptr, 1);
  if (graph_) {
    graph_->RemoveFilter(source_.Get());
    graph_->RemoveFilter(grabberFilter_.Get());
  }
  UninstallDeviceProviders();
}

void TGrabberGraph::ChooseWidth(LONG width) {
  if (!builder_) return;
  ComPtr<IAMStreamConfig> config;
  builder_->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, source_.Get(), IID_IAMStreamConfig,
                          config.PutVoid());
  if (!config) return;
  int count = 0, size = 0;
  config->GetNumberOfCapabilities(&count, &size);
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* mt = nullptr;
    BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS)];
    config->GetStreamCaps(i, &mt, caps);
    if (MediaTypeBitmapHeader(*mt)->biWidth == width) config->SetFormat(mt);
    MediaTypeDelete(mt);
  }
}

bool TGrabberGraph::Run() {
  return builder_ &&
         Succeeded(builder_->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source_.Get(), nullptr,
                                          grabberFilter_.Get())) &&
         Succeeded(control_->Run());
}
