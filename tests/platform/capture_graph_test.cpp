// The synthetic camera through the real capture graph: a graph built with the capture graph
// builder and rendered into the sample grabber delivers the camera's frames in order on the
// streaming thread, in the row order its media type states, stops when the graph stops (also
// while frames arrive), and reports a camera that goes away to the graph's notify window.
#include <QCoreApplication>
#include <atomic>

#include "platform/camera_fixture.h"
#include "platform/dshow/errors.h"
#include "platform/dshow/evcode.h"
#include "platform/win/gdi.h"
#include "platform/win/messages.h"

namespace {

using CaptureGraph = CameraTest;

template <class Done>
void PumpUntil(Done done) {
  while (!done()) QCoreApplication::processEvents();
}

TEST_F(CaptureGraph, DeliversEveryFrameInOrderOnAStreamingThreadUntilStopped) {
  struct Case {
    int format;
    LONG width, height;
  };
  const Case cases[] = {{-1, 640, 480}, {1, 320, 240}, {2, 1920, 1080}};
  const auto cameras = InstallCameras({"cam:a"});
  cameras[0]->SetScript(NumberedFrames());
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    ComPtr<TCameraFrameRecorder> recorder;
    recorder.Attach(new TCameraFrameRecorder(c.width, c.height));
    TCameraGraph g;
    ASSERT_EQ(g.Build(inputs[0].Get(), recorder.Get(), c.format), S_OK);
    EXPECT_EQ(g.ConnectedSize(), std::pair(c.width, c.height));  // bottom-up rows
    ASSERT_EQ(g.control->Run(), S_OK);
    constexpr int kFrames = 12;
    for (int i = 0; i < kFrames; ++i) ASSERT_TRUE(cameras[0]->Step());
    ASSERT_EQ(g.control->Stop(), S_OK);
    EXPECT_FALSE(cameras[0]->Streaming());
    EXPECT_FALSE(cameras[0]->Step());

    const auto frames = recorder->Frames();
    ASSERT_EQ(frames.size(), size_t{kFrames});
    for (int i = 0; i < kFrames; ++i) {
      EXPECT_EQ(frames[i].number, i);
      EXPECT_EQ(frames[i].length, c.width * 3 * c.height);
      EXPECT_DOUBLE_EQ(frames[i].sampleTime, i * 333333 / 1e7);
      EXPECT_NE(frames[i].thread, std::this_thread::get_id());
      EXPECT_EQ(frames[i].thread, frames[0].thread);
    }
    g.TearDown();
  }
}

// The top row of the picture is the top row of a bitmap made from the connected media type's
// header, and its left pixel stays on the left.
TEST_F(CaptureGraph, RowOrderAgreesWithTheConnectedHeader) {
  const auto cameras = InstallCameras({"cam:a"});
  constexpr TRgb kTop{255, 0, 0}, kBottom{0, 0, 255}, kCorner{0, 255, 0}, kRest{128, 128, 128};
  cameras[0]->SetScript([&](uint64_t, TFrameView& f) {
    f.Fill(kRest);
    f.FillRect(0, 0, f.Width(), 1, kTop);
    f.FillRect(0, f.Height() - 1, f.Width(), f.Height(), kBottom);
    f.SetPixel(0, 0, kCorner);
  });
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  TCameraGraph g;
  ASSERT_EQ(g.Build(inputs[0].Get(), nullptr, 1), S_OK);
  ASSERT_EQ(g.control->Run(), S_OK);
  ASSERT_TRUE(cameras[0]->Step());
  ASSERT_EQ(g.control->Stop(), S_OK);

  AM_MEDIA_TYPE mt{};
  ASSERT_EQ(g.grabber->GetConnectedMediaType(&mt), S_OK);
  const BITMAPINFOHEADER header = *MediaTypeBitmapHeader(mt);
  MediaTypeFree(&mt);
  BITMAPINFO info{};
  info.bmiHeader = header;
  void* bits = nullptr;
  const HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  LONG size = 0;
  ASSERT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), S_OK);
  ASSERT_EQ(size, 320 * 240 * 3);
  ASSERT_EQ(g.grabber->GetCurrentBuffer(&size, static_cast<LONG*>(bits)), S_OK);

  DIBSECTION ds{};
  ASSERT_EQ(GetObjectA(dib, sizeof ds, &ds), int(sizeof ds));
  // The bitmap's own row order: bottom-up for a positive height.
  const auto row = [&](int y) {
    const int stored = ds.dsBmih.biHeight > 0 ? ds.dsBm.bmHeight - 1 - y : y;
    return static_cast<const BYTE*>(ds.dsBm.bmBits) + ptrdiff_t{stored} * ds.dsBm.bmWidthBytes;
  };
  const auto pixel = [&](int x, int y) {
    const BYTE* p = row(y) + 3 * x;
    return TRgb{p[2], p[1], p[0]};
  };
  EXPECT_EQ(pixel(0, 0), kCorner);
  EXPECT_EQ(pixel(1, 0), kTop);
  EXPECT_EQ(pixel(319, 0), kTop);
  EXPECT_EQ(pixel(0, 239), kBottom);
  EXPECT_EQ(pixel(160, 120), kRest);
  DeleteObject(dib);
  g.TearDown();
}

// The GUI thread stops the graph while a test thread keeps asking for frames: every stop
// returns, and once it has returned no frame reaches the callback.
TEST_F(CaptureGraph, StopFromTheGuiThreadWhileFramesArrive) {
  const auto cameras = InstallCameras({"cam:a"});
  cameras[0]->SetScript(NumberedFrames());
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  ComPtr<TCameraFrameRecorder> recorder;
  recorder.Attach(new TCameraFrameRecorder(640, 480));
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    TCameraGraph g;
    ASSERT_EQ(g.Build(inputs[0].Get(), recorder.Get()), S_OK);
    const size_t before = recorder->Count();
    ASSERT_EQ(g.control->Run(), S_OK);
    std::thread stepper([&] {
      while (cameras[0]->Step()) {
      }
    });
    while (recorder->Count() < before + 2) std::this_thread::yield();
    ASSERT_EQ(g.control->Stop(), S_OK);
    const size_t stopped = recorder->Count();
    stepper.join();  // Step answers false from the stop on
    EXPECT_EQ(recorder->Count(), stopped);
    const auto frames = recorder->Frames();
    for (size_t i = before; i < frames.size(); ++i) EXPECT_EQ(frames[i].number, int(i - before));
    g.TearDown();
  }
}

TEST_F(CaptureGraph, PacedByTheClockFramesKeepTheirTimes) {
  const auto cameras = InstallCameras({"cam:a"});
  cameras[0]->SetScript(NumberedFrames());
  cameras[0]->SetPace(TCameraPace::Clock);
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  ComPtr<TCameraFrameRecorder> recorder;
  recorder.Attach(new TCameraFrameRecorder(640, 480));
  TCameraGraph g;
  ASSERT_EQ(g.Build(inputs[0].Get(), recorder.Get()), S_OK);
  ASSERT_EQ(g.control->Run(), S_OK);
  EXPECT_FALSE(cameras[0]->Step());  // the clock paces this stream
  while (recorder->Count() < 3) std::this_thread::yield();
  ASSERT_EQ(g.control->Stop(), S_OK);
  const auto frames = recorder->Frames();
  // A slow machine may miss frames; those delivered keep their number and time.
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_DOUBLE_EQ(frames[i].sampleTime, frames[i].number * 333333 / 1e7);
    if (i > 0) {
      EXPECT_GT(frames[i].number, frames[i - 1].number);
    }
  }
  g.TearDown();
}

// A camera that goes away while running: EC_DEVICE_LOST with the camera's filter reaches the
// notify window on the GUI thread, no further frame arrives, and the graph does not run again
// until the camera is back.
TEST_F(CaptureGraph, LostCameraReachesTheNotifyWindowAndStopsDelivering) {
  const auto cameras = InstallCameras({"cam:a"});
  cameras[0]->SetScript(NumberedFrames());
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  ComPtr<TCameraFrameRecorder> recorder;
  recorder.Attach(new TCameraFrameRecorder(640, 480));
  TCameraGraph g;
  ASSERT_EQ(g.Build(inputs[0].Get(), recorder.Get()), S_OK);

  std::vector<std::pair<UINT, LPARAM>> messages;
  std::thread::id handledOn;
  const HWND window = AllocateHWnd([&](TMessage& m) {
    messages.emplace_back(m.Msg, m.LParam);
    handledOn = std::this_thread::get_id();
  });
  ASSERT_EQ(g.events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), WM_APP + 1, 42), S_OK);
  ASSERT_EQ(g.control->Run(), S_OK);
  ASSERT_TRUE(cameras[0]->Step());
  ASSERT_TRUE(cameras[0]->Step());

  cameras[0]->SetPresent(false);
  PumpUntil([&] { return !messages.empty(); });
  EXPECT_EQ(messages[0], std::pair(UINT{WM_APP + 1}, LPARAM{42}));
  EXPECT_EQ(handledOn, std::this_thread::get_id());
  LONG code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  ASSERT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_DEVICE_LOST);
  EXPECT_EQ(p2, 0);  // gone, not back
  ComPtr<IUnknown> sourceIdentity, reported;
  g.source.As(sourceIdentity);
  reinterpret_cast<IUnknown*>(p1)->QueryInterface(IID_IUnknown, reported.PutVoid());
  EXPECT_EQ(reported.Get(), sourceIdentity.Get());
  reported.Reset();
  EXPECT_EQ(g.events->FreeEventParams(code, p1, p2), S_OK);
  EXPECT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), E_ABORT);  // one event only

  EXPECT_FALSE(cameras[0]->Step());
  EXPECT_FALSE(cameras[0]->Streaming());
  EXPECT_EQ(recorder->Count(), 2u);

  ASSERT_EQ(g.control->Stop(), S_OK);
  const HRESULT hr = g.control->Run();
  EXPECT_EQ(hr, VFW_E_NO_CAPTURE_HARDWARE);
  char text[256];
  EXPECT_GT(AMGetErrorTextA(hr, text, sizeof text), 0u);
  cameras[0]->SetPresent(true);
  ASSERT_EQ(g.control->Run(), S_OK);
  EXPECT_TRUE(cameras[0]->Step());
  EXPECT_EQ(recorder->Count(), 3u);
  g.TearDown();
  DeallocateHWnd(window);
}

}  // namespace
