// Shared by the device and capture tests: COM on the test's thread with the DirectShow classes
// registered, synthetic cameras installed as the only video devices, a capture graph built the
// way the webcam control builds it, and a frame callback that records what reaches it.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/com.h"
#include "platform/com/oleauto.h"
#include "platform/dshow/grabber_interfaces.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/mediatype.h"
#include "platform/dshow/runtime.h"
#include "platform/dshow/synthetic_camera.h"

// Checks that every object, task-memory block and text made during the test is gone.
class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDirectShowRuntime();
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    objects_ = ComObjectsAlive();
    blocks_ = CoTaskMemBlocksAlive();
    strings_ = SysStringsAlive();
  }
  void TearDown() override {
    UninstallDeviceProviders();
    EXPECT_EQ(ComObjectsAlive(), objects_);
    EXPECT_EQ(CoTaskMemBlocksAlive(), blocks_);
    EXPECT_EQ(SysStringsAlive(), strings_);
    CoUninitialize();
  }

  // Cameras with these paths, in one provider, as the only devices (paced by steps).
  std::vector<std::shared_ptr<TSyntheticCamera>> InstallCameras(
      const std::vector<std::string>& paths) {
    std::vector<std::shared_ptr<TSyntheticCamera>> cameras;
    for (const std::string& path : paths) {
      cameras.push_back(std::make_shared<TSyntheticCamera>(path, "Camera " + path));
      cameras.back()->SetPace(TCameraPace::Stepped);
    }
    InstallDeviceProviders({std::make_shared<TSyntheticCameraProvider>(cameras)});
    return cameras;
  }

 public:
  // The monikers of the video input category; *result gets CreateClassEnumerator's answer.
  static std::vector<ComPtr<IMoniker>> VideoInputs(HRESULT* result = nullptr) {
    std::vector<ComPtr<IMoniker>> monikers;
    ComPtr<ICreateDevEnum> devEnum;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICreateDevEnum, devEnum.PutVoid()),
              S_OK);
    ComPtr<IEnumMoniker> list;
    const HRESULT hr = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                      list.ReleaseAndGetAddressOf(), 0);
    if (result) *result = hr;
    IMoniker* moniker = nullptr;
    while (list && list->Next(1, &moniker, nullptr) == S_OK) {
      ComPtr<IMoniker> held;
      held.Attach(moniker);
      monikers.push_back(std::move(held));
    }
    return monikers;
  }

  // A property of the moniker's bag as UTF-8; "<none>" when it cannot be read.
  static std::string BagValue(IMoniker* moniker, const char16_t* name) {
    ComPtr<IPropertyBag> bag;
    if (moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()) != S_OK)
      return "<none>";
    VARIANT v;
    VariantInit(&v);
    if (bag->Read(name, &v, nullptr) != S_OK || v.vt != VT_BSTR) return "<none>";
    const std::string text = WideToUtf8(WideView(v.bstrVal));
    VariantClear(&v);
    return text;
  }

 private:
  long objects_ = 0, blocks_ = 0, strings_ = 0;
};

// The frame number a frame script wrote into the top left pixel (red = low byte, green = high).
inline TFrameScript NumberedFrames(TRgb rest = {200, 200, 200}) {
  return [rest](uint64_t index, TFrameView& frame) {
    frame.Fill(rest);
    frame.SetPixel(0, 0, {BYTE(index), BYTE(index >> 8), 0x5A});
  };
}

struct TGrabbedFrame {
  int number;  // from the top left pixel of the picture, -1 when not a numbered frame
  LONG length;
  double sampleTime;
  std::thread::id thread;
};

// Records each frame that BufferCB receives; the frames are 24-bit, bottom-up, of width × height.
class TCameraFrameRecorder : public TComObject<ISampleGrabberCB> {
 public:
  TCameraFrameRecorder(LONG width, LONG height) : width_(width), height_(height) {}

  HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
  HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG length) override {
    int number = -1;
    const LONG stride = (width_ * 3 + 3) / 4 * 4;
    if (buffer && length == stride * height_) {
      const BYTE* topLeft = buffer + ptrdiff_t{height_ - 1} * stride;  // bottom-up rows
      if (topLeft[0] == 0x5A) number = topLeft[2] | topLeft[1] << 8;
    }
    std::lock_guard guard(lock_);
    frames_.push_back({number, length, sampleTime, std::this_thread::get_id()});
    return S_OK;
  }
  std::vector<TGrabbedFrame> Frames() {
    std::lock_guard guard(lock_);
    return frames_;
  }
  size_t Count() {
    std::lock_guard guard(lock_);
    return frames_.size();
  }

 private:
  const LONG width_, height_;
  std::mutex lock_;
  std::vector<TGrabbedFrame> frames_;
};

// The webcam control's graph: the camera's filter and a sample grabber that demands 24-bit RGB
// video, the camera's capture stream rendered into it.
struct TCameraGraph {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> source, grabberFilter;
  ComPtr<ISampleGrabber> grabber;

  // formatIndex: the pin's media type to SetFormat first, -1 for none. Returns RenderStream's
  // answer.
  HRESULT Build(IMoniker* moniker, ISampleGrabberCB* callback, int formatIndex = -1) {
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.PutVoid()),
              S_OK);
    graph.As(control);
    graph.As(events);
    EXPECT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICaptureGraphBuilder2, builder.PutVoid()),
              S_OK);
    builder->SetFiltergraph(graph.Get());
    HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, source.PutVoid());
    if (Failed(hr)) return hr;
    EXPECT_EQ(graph->AddFilter(source.Get(), u"vFilterSource"), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               grabberFilter.PutVoid()),
              S_OK);
    grabberFilter.As(grabber);
    AM_MEDIA_TYPE demanded{};
    demanded.majortype = MEDIATYPE_Video;
    demanded.subtype = MEDIASUBTYPE_RGB24;
    demanded.formattype = FORMAT_VideoInfo;
    grabber->SetMediaType(&demanded);
    grabber->SetBufferSamples(TRUE);
    grabber->SetCallback(callback, 1);
    EXPECT_EQ(graph->AddFilter(grabberFilter.Get(), u"vSampleGrabber"), S_OK);
    if (formatIndex >= 0) {
      ComPtr<IAMStreamConfig> config;
      EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, source.Get(),
                                       IID_IAMStreamConfig, config.PutVoid()),
                S_OK);
      AM_MEDIA_TYPE* mt = nullptr;
      BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS)];
      EXPECT_EQ(config->GetStreamCaps(formatIndex, &mt, caps), S_OK);
      EXPECT_EQ(config->SetFormat(mt), S_OK);
      MediaTypeDelete(mt);
    }
    return builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source.Get(), nullptr,
                                 grabberFilter.Get());
  }

  // What the grabber's input is connected with: width and signed height.
  std::pair<LONG, LONG> ConnectedSize() {
    AM_MEDIA_TYPE mt{};
    if (grabber->GetConnectedMediaType(&mt) != S_OK) return {0, 0};
    const BITMAPINFOHEADER* h = MediaTypeBitmapHeader(mt);
    const std::pair<LONG, LONG> size = h ? std::pair{h->biWidth, h->biHeight} : std::pair{0, 0};
    MediaTypeFree(&mt);
    return size;
  }

  // Stops, takes the filters out and lets everything go.
  void TearDown() {
    if (control) control->Stop();
    if (grabber) grabber->SetCallback(nullptr, 1);
    if (graph && source) graph->RemoveFilter(source.Get());
    if (graph && grabberFilter) graph->RemoveFilter(grabberFilter.Get());
    *this = TCameraGraph{};
  }
};
