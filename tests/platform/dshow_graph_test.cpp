// The filter graph running a capture stream: frames in order on the streaming thread, stops
// that end the callbacks, a removed filter, events reaching the notify window on the GUI
// thread, a source that loses its device, and a graph that cannot run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <thread>

#include "dshow_fixture.h"
#include "platform/dshow/errors.h"
#include "platform/dshow/evcode.h"
#include "platform/dshow/pinwalk.h"
#include "platform/win/messages.h"

namespace {

template <class Done>
void WaitUntil(Done done) {
  while (!done()) std::this_thread::yield();
}

using GraphRun = DShowTest;

TEST_F(GraphRun, DeliversEveryFrameInOrderOnTheStreamingThreadUntilStopped) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ASSERT_EQ(g.Render(), S_OK);
  AM_MEDIA_TYPE connected{};
  ASSERT_EQ(g.grabber->GetConnectedMediaType(&connected), S_OK);
  const BITMAPINFOHEADER* header = MediaTypeBitmapHeader(connected);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(connected.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(header->biWidth, 64);  // the source's first type
  EXPECT_EQ(header->biHeight, -48);
  MediaTypeFree(&connected);

  g.source->AllowFrames(25);
  ASSERT_EQ(g.control->Run(), S_OK);
  OAFilterState state = -1;
  EXPECT_EQ(g.control->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Running);
  WaitUntil([&] { return g.recorder->calls.load() == 25; });
  ASSERT_EQ(g.control->Stop(), S_OK);
  EXPECT_FALSE(g.recorder->inside.load());

  std::lock_guard guard(g.recorder->lock);
  ASSERT_EQ(g.recorder->counters.size(), 25u);
  for (uint32_t i = 0; i < 25; ++i) {
    EXPECT_EQ(g.recorder->counters[i], i);
    EXPECT_NE(g.recorder->threads[i], std::this_thread::get_id());
    EXPECT_EQ(g.recorder->lengths[i], 64 * 48 * 3);
  }
  EXPECT_EQ(g.source->Refused(), 0u);
}

TEST_F(GraphRun, ThroughTheGrabberToAFilterBehindIt) {
  TCaptureGraph g(TTestSource::MakeRgb());
  const ComPtr<TTestSink> sink = TTestSink::Make();
  ASSERT_EQ(g.graph->AddFilter(sink.Get(), u"Sink"), S_OK);
  ASSERT_EQ(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr,
                                    static_cast<IBaseFilter*>(g.source.Get()),
                                    g.grabberFilter.Get(), sink.Get()),
            S_OK);
  // The sample callback gets the sample itself.
  ASSERT_EQ(g.grabber->SetCallback(g.recorder.Get(), 0), S_OK);
  g.source->AllowFrames(10);
  ASSERT_EQ(g.control->Run(), S_OK);
  WaitUntil([&] { return sink->Counters().size() == 10; });
  ASSERT_EQ(g.control->Stop(), S_OK);
  const std::vector<uint32_t> expected{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(sink->Counters(), expected);  // the filters behind started first: nothing lost
  std::lock_guard guard(g.recorder->lock);
  EXPECT_EQ(g.recorder->counters, expected);
}

TEST_F(GraphRun, StopEndsTheCallbacksEvenWhileFramesArrive) {
  TCaptureGraph g(TTestSource::MakeRgb());
  g.recorder->spin = 50;
  ASSERT_EQ(g.Render(), S_OK);
  for (int round = 0; round < 40; ++round) {
    const int before = g.recorder->calls.load();
    ASSERT_EQ(g.control->Run(), S_OK);
    WaitUntil([&] { return g.recorder->calls.load() > before; });
    ASSERT_EQ(g.control->Stop(), S_OK);
    // Nothing runs now and nothing runs later: the count stays.
    EXPECT_FALSE(g.recorder->inside.load());
    EXPECT_FALSE(g.source->Streaming());
    const int after = g.recorder->calls.load();
    std::this_thread::yield();
    EXPECT_EQ(g.recorder->calls.load(), after);
  }
  // The grabber's own stop (a member leaving the graph stops it first) holds the same.
  ASSERT_EQ(g.control->Run(), S_OK);
  WaitUntil([&] { return g.recorder->calls.load() > 0; });
  ASSERT_EQ(g.grabberFilter->Stop(), S_OK);
  EXPECT_FALSE(g.recorder->inside.load());
}

TEST_F(GraphRun, RemovingARunningFilterStopsTheGraphFirst) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ASSERT_EQ(g.Render(), S_OK);
  ASSERT_EQ(g.control->Run(), S_OK);
  WaitUntil([&] { return g.recorder->calls.load() > 2; });
  ASSERT_EQ(g.graph->RemoveFilter(static_cast<IBaseFilter*>(g.source.Get())), S_OK);
  EXPECT_FALSE(g.recorder->inside.load());
  const int calls = g.recorder->calls.load();
  OAFilterState state = -1;
  g.control->GetState(0, &state);
  EXPECT_EQ(state, State_Stopped);
  EXPECT_FALSE(IsConnected(g.source->CapturePin()));
  EXPECT_EQ(g.recorder->calls.load(), calls);
  EXPECT_EQ(g.graph->RemoveFilter(static_cast<IBaseFilter*>(g.source.Get())), VFW_E_NOT_FOUND);
}

TEST_F(GraphRun, AGraphThatCannotRunSaysWhyInWordsAndStaysStopped) {
  struct Case {
    const char* what;
    bool withSource;
    HRESULT sourceFailure;
    HRESULT expected;
  } cases[] = {
      {"no source at all", false, S_OK, VFW_E_NO_CAPTURE_HARDWARE},
      {"the camera is busy", true, E_DEVICE_BUSY, E_DEVICE_BUSY},
  };
  for (const Case& c : cases) {
    ComPtr<TTestSource> source = c.withSource ? TTestSource::MakeRgb() : nullptr;
    if (source) source->FailRunWith(c.sourceFailure);
    TCaptureGraph g(source);
    if (source) {
      ASSERT_EQ(g.Render(), S_OK);
    }
    EXPECT_EQ(g.control->Run(), c.expected) << c.what;
    char text[256] = {};
    EXPECT_GT(AMGetErrorTextA(c.expected, text, sizeof text), 0u) << c.what;
    OAFilterState state = -1;
    g.control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped) << c.what;
    FILTER_STATE grabberState = State_Running;
    g.grabberFilter->GetState(0, &grabberState);
    EXPECT_EQ(grabberState, State_Stopped) << c.what;
  }
}

TEST_F(GraphRun, TheLogFileGetsALinePerChangeOfState) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ASSERT_EQ(g.Render(), S_OK);
  char path[] = "/tmp/lumatap-graph-log-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(g.graph->SetLogFile(fd), S_OK);
  g.control->Run();
  g.control->Pause();
  g.control->Stop();
  g.graph->SetLogFile(0);
  g.control->Run();  // no longer logged
  g.control->Stop();
  lseek(fd, 0, SEEK_SET);
  char text[512] = {};
  const ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  unlink(path);
  ASSERT_GT(n, 0);
  EXPECT_EQ(std::count(text, text + n, '\n'), 3) << text;
}

using GraphEvents = DShowTest;

// Drains the queue from the notify window's procedure, as the graph component does.
struct TEventWindow {
  explicit TEventWindow(IMediaEventEx* events) : events(events) {
    wnd = AllocateHWnd([this](TMessage& m) {
      if (m.Msg != WM_APP + 1) return;
      EXPECT_EQ(std::this_thread::get_id(), gui);
      EXPECT_EQ(m.LParam, 77);
      LONG code;
      LONG_PTR p1, p2;
      while (this->events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        received.push_back({code, p1, p2});
        EXPECT_EQ(this->events->FreeEventParams(code, p1, p2), S_OK);
      }
    });
  }
  ~TEventWindow() { DeallocateHWnd(wnd); }

  struct Event {
    LONG code;
    LONG_PTR p1, p2;
  };
  IMediaEventEx* events;
  HWND wnd;
  std::thread::id gui = std::this_thread::get_id();
  std::vector<Event> received;
};

TEST_F(GraphEvents, ReachTheNotifyWindowOnTheGuiThreadInOrder) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ComPtr<IMediaEventEx> events;
  ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(g.graph.As(events), S_OK);
  ASSERT_EQ(g.graph.As(sink), S_OK);
  TEventWindow window(events.Get());
  ASSERT_EQ(events->SetNotifyFlags(0), S_OK);
  ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(window.wnd), WM_APP + 1, 77), S_OK);
  constexpr int kEvents = 200;
  std::thread reporter([&] {
    for (int i = 0; i < kEvents; ++i) sink->Notify(EC_STEP_COMPLETE, i, kEvents - i);
  });
  while (window.received.size() < kEvents) QCoreApplication::processEvents();
  reporter.join();
  for (int i = 0; i < kEvents; ++i) {
    EXPECT_EQ(window.received[i].code, EC_STEP_COMPLETE);
    EXPECT_EQ(window.received[i].p1, i);
    EXPECT_EQ(window.received[i].p2, kEvents - i);
  }
  // Notifications off: what waits is dropped and nothing new is queued or posted.
  sink->Notify(EC_PAUSED, S_OK, 0);
  ASSERT_EQ(events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY), S_OK);
  EXPECT_EQ(sink->Notify(EC_PAUSED, S_OK, 0), S_FALSE);
  QCoreApplication::processEvents();
  EXPECT_EQ(window.received.size(), size_t{kEvents});
  EXPECT_EQ(events->SetNotifyFlags(2), E_INVALIDARG);
}

TEST_F(GraphEvents, ASourceThatLosesItsDeviceReportsItAndStopsDelivering) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ComPtr<IMediaEventEx> events;
  ASSERT_EQ(g.graph.As(events), S_OK);
  TEventWindow window(events.Get());
  events->SetNotifyWindow(reinterpret_cast<OAHWND>(window.wnd), WM_APP + 1, 77);
  ASSERT_EQ(g.Render(), S_OK);
  ASSERT_EQ(g.control->Run(), S_OK);
  WaitUntil([&] { return g.recorder->calls.load() > 0; });
  g.source->LoseDevice();
  while (window.received.empty()) QCoreApplication::processEvents();
  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_EQ(window.received[0].code, EC_DEVICE_LOST);
  EXPECT_TRUE(SameObject(reinterpret_cast<IUnknown*>(window.received[0].p1),
                         static_cast<IBaseFilter*>(g.source.Get())));
  EXPECT_EQ(window.received[0].p2, 0);
  const uint64_t delivered = g.source->Delivered();
  std::this_thread::yield();
  EXPECT_EQ(g.source->Delivered(), delivered);
  EXPECT_EQ(g.control->Stop(), S_OK);
}

TEST_F(GraphEvents, ParametersAreFreedOnceAndOnlyWhenHandedOut) {
  ComPtr<IMediaEventEx> events;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaEventEx,
                             events.PutVoid()),
            S_OK);
  ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(events.As(sink), S_OK);
  ComPtr<TTestSource> device = TTestSource::MakeRgb();
  IUnknown* held = static_cast<IBaseFilter*>(device.Get());
  held->AddRef();
  sink->Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(held), 0);
  LONG code;
  LONG_PTR p1, p2;
  EXPECT_EQ(events->FreeEventParams(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(held), 0),
            E_INVALIDARG);  // not handed out yet
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(events->FreeEventParams(code, p1, p2), S_OK);
  EXPECT_EQ(events->FreeEventParams(code, p1, p2), E_INVALIDARG);  // twice: refused
  EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
  // Events never taken, or taken and never freed, are released with the graph.
  held->AddRef();
  sink->Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(held), 0);
  held->AddRef();
  sink->Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(held), 0);
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
  // (The fixture finds no object and no block left over.)
}

}  // namespace
