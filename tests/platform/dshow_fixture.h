// What the DirectShow tests share: COM on the test's thread with the DirectShow classes
// registered, a check that every object and task-memory block made during the test is gone at
// its end, a frame recorder for the sample grabber's callback, and a capture graph (graph,
// builder, test source, grabber) built through the class registry as a program builds it.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "dshow_test_source.h"
#include "platform/com/com.h"
#include "platform/dshow/grabber_interfaces.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/runtime.h"

class DShowTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterDirectShowRuntime();
    ASSERT_TRUE(Succeeded(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    objects_ = ComObjectsAlive();
    blocks_ = CoTaskMemBlocksAlive();
  }
  void TearDown() override {
    EXPECT_EQ(ComObjectsAlive(), objects_) << "COM objects leaked";
    EXPECT_EQ(CoTaskMemBlocksAlive(), blocks_) << "task memory leaked";
    CoUninitialize();
  }

 private:
  long objects_ = 0, blocks_ = 0;
};

// Records the frames that reach BufferCB: their counters, threads and sizes.
class TFrameRecorder : public TComObject<ISampleGrabberCB> {
 public:
  HRESULT SampleCB(double, IMediaSample* sample) override {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    return BufferCB(0, data, sample->GetActualDataLength());
  }
  HRESULT BufferCB(double, BYTE* buffer, LONG length) override {
    inside.store(true);
    uint32_t counter = 0;
    if (buffer && length >= 4) std::memcpy(&counter, buffer, 4);
    {
      std::lock_guard guard(lock);
      counters.push_back(counter);
      threads.push_back(std::this_thread::get_id());
      lengths.push_back(length);
    }
    // Stay a little, so that a stop meets a callback under way.
    for (int i = 0; i < spin; ++i) std::this_thread::yield();
    calls.fetch_add(1);
    inside.store(false);
    return S_OK;
  }

  std::mutex lock;
  std::vector<uint32_t> counters;
  std::vector<std::thread::id> threads;
  std::vector<LONG> lengths;
  std::atomic<int> calls{0};
  std::atomic<bool> inside{false};
  int spin = 0;
};

struct TCaptureGraph {
  ComPtr<IFilterGraph2> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<TTestSource> source;
  ComPtr<IBaseFilter> grabberFilter;
  ComPtr<ISampleGrabber> grabber;
  ComPtr<IMediaControl> control;
  ComPtr<TFrameRecorder> recorder;

  // Graph, builder, grabber demanding `subtype` of video, the source added and the recorder
  // set as BufferCB; nothing connected yet.
  explicit TCaptureGraph(ComPtr<TTestSource> src, const GUID& subtype = MEDIASUBTYPE_RGB24) {
    source = std::move(src);
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph2,
                               graph.PutVoid()),
              S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICaptureGraphBuilder2, builder.PutVoid()),
              S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               grabberFilter.PutVoid()),
              S_OK);
    EXPECT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    EXPECT_EQ(grabberFilter.As(grabber), S_OK);
    EXPECT_EQ(graph.As(control), S_OK);
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = subtype;
    wanted.formattype = FORMAT_VideoInfo;
    EXPECT_EQ(grabber->SetMediaType(&wanted), S_OK);
    recorder.Attach(new TFrameRecorder);
    EXPECT_EQ(grabber->SetCallback(recorder.Get(), 1), S_OK);
    if (source) {
      EXPECT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
    }
    EXPECT_EQ(graph->AddFilter(grabberFilter.Get(), u"Grabber"), S_OK);
  }
  ~TCaptureGraph() {
    if (control) control->Stop();
    if (grabber) grabber->SetCallback(nullptr, 1);
  }

  HRESULT Render() {
    return builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                 static_cast<IBaseFilter*>(source.Get()), nullptr,
                                 grabberFilter.Get());
  }
};
