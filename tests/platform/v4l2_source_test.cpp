// The V4L2 camera through the device enumerator and the real capture graph, against the
// emulated driver: what the enumerator lists, the pin's media types, a chosen format streamed
// to the sample grabber's BufferCB, and a camera that is busy, unplugged or failing.
#include <linux/videodev2.h>

#include <condition_variable>
#include <cstdlib>
#include <optional>

#include "camera_pictures/v4l2_cameras.h"
#include "platform/camera_fixture.h"
#include "platform/dshow/errors.h"
#include "platform/dshow/evcode.h"
#include "platform/dshow/v4l2/provider.h"
#include "platform/dshow/v4l2/source_filter.h"

namespace {

constexpr char kPath[] = "/dev/video0";
constexpr LONG kPatienceMs = 20000;  // a safety net only

// Keeps a copy of every buffer BufferCB receives.
class TBufferRecorder : public TComObject<ISampleGrabberCB> {
 public:
  HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
  HRESULT BufferCB(double, BYTE* buffer, LONG length) override {
    std::lock_guard guard(lock_);
    buffers_.emplace_back(buffer, buffer + length);
    changed_.notify_all();
    return S_OK;
  }
  // Waits for the n-th buffer and returns a copy of it (empty when none came).
  std::vector<uint8_t> Buffer(size_t n) {
    std::unique_lock guard(lock_);
    changed_.wait_for(guard, std::chrono::milliseconds(kPatienceMs),
                      [&] { return buffers_.size() > n; });
    return buffers_.size() > n ? buffers_[n] : std::vector<uint8_t>{};
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::vector<uint8_t>> buffers_;
};

class V4L2Source : public CameraTest {
 protected:
  void SetUp() override {
    CameraTest::SetUp();
    InstallDeviceProviders({MakeV4L2DeviceProvider()});
  }
  void TearDown() override {
    graph.TearDown();
    recorder.Reset();
    EXPECT_EQ(driver->OpenDescriptors(), 0);
    EXPECT_EQ(driver->MappedBuffers(), 0);
    CameraTest::TearDown();
  }
  // The only video input, bound into a graph with the grabber; format: SetFormat's index.
  void Build(int format = -1) {
    const auto inputs = VideoInputs();
    ASSERT_EQ(inputs.size(), 1u);
    recorder.Attach(new TBufferRecorder);
    ASSERT_EQ(graph.Build(inputs[0].Get(), recorder.Get(), format), S_OK);
  }
  void Send(const std::vector<uint8_t>& frame) {
    ASSERT_TRUE(driver->WaitForQueuedBuffer(kPath, std::chrono::milliseconds(kPatienceMs)));
    ASSERT_TRUE(driver->ReleaseFrame(kPath, frame));
  }
  // The next event, waited for.
  std::optional<std::pair<LONG, LONG_PTR>> NextEvent() {
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    if (graph.events->GetEvent(&code, &p1, &p2, kPatienceMs) != S_OK) return std::nullopt;
    graph.events->FreeEventParams(code, p1, p2);
    return std::pair{code, code == EC_DEVICE_LOST ? p2 : p1};
  }

  std::shared_ptr<TV4L2EmulatedDriver> driver = std::make_shared<TV4L2EmulatedDriver>();
  TInstalledV4L2Access access{driver};
  TCameraGraph graph;
  ComPtr<TBufferRecorder> recorder;
};

// The run's own selection, nothing installed: the V4L2 cameras when LUMATAP_CAMERA is unset,
// none with "none".
TEST_F(V4L2Source, TheRunsCamerasAreTheV4L2OnesUnlessHidden) {
  driver->AddNode(
      EmulatedCameraNode(kPath, "HD Webcam C270", EmulatedFormats(RecordedUvcCamera())));
  driver->AddNode(EmulatedMetadataNode("/dev/video1", "HD Webcam C270"));
  UninstallDeviceProviders();
  const char* old = std::getenv("LUMATAP_CAMERA");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  unsetenv("LUMATAP_CAMERA");
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  EXPECT_EQ(BagValue(inputs[0].Get(), u"FriendlyName"), "HD Webcam C270");
  EXPECT_EQ(BagValue(inputs[0].Get(), u"DevicePath"), kPath);
  EXPECT_EQ(BagValue(inputs[0].Get(), u"CLSID"), GUIDToString(CLSID_V4L2CameraSource));
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(inputs[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid()), S_OK);
  EXPECT_EQ(driver->OpenDescriptors(), 1);
  filter.Reset();
  setenv("LUMATAP_CAMERA", "none", 1);
  EXPECT_TRUE(VideoInputs().empty());
  if (saved)
    setenv("LUMATAP_CAMERA", saved->c_str(), 1);
  else
    unsetenv("LUMATAP_CAMERA");
}

TEST_F(V4L2Source, PinOffersTheRecordedCamerasModesAsRgb24) {
  driver->AddNode(EmulatedCameraNode(kPath, "Camera", EmulatedFormats(RecordedUvcCamera())));
  Build();
  ComPtr<IAMStreamConfig> config;
  ASSERT_EQ(graph.builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, graph.source.Get(),
                                         IID_IAMStreamConfig, config.PutVoid()),
            S_OK);
  struct Offered {
    LONG width, height;
    REFERENCE_TIME frameTime;
    bool operator==(const Offered&) const = default;
  };
  std::vector<Offered> offered;
  int count = 0, size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* mt = nullptr;
    BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS)];
    ASSERT_EQ(config->GetStreamCaps(i, &mt, caps), S_OK);
    EXPECT_EQ(mt->subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(mt->formattype, FORMAT_VideoInfo);
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
    EXPECT_EQ(vih->bmiHeader.biBitCount, 24);
    EXPECT_EQ(vih->bmiHeader.biSizeImage,
              RgbImageBytes(vih->bmiHeader.biWidth, vih->bmiHeader.biHeight));
    offered.push_back({vih->bmiHeader.biWidth, vih->bmiHeader.biHeight, vih->AvgTimePerFrame});
    MediaTypeDelete(mt);
  }
  // YUYV's sizes at their fastest rates, then MJPEG's at 30 frames a second; no H.264. Rows
  // are bottom-up (positive heights).
  const std::vector<Offered> expected{
      {640, 480, 333333},  {160, 120, 333333},   {320, 240, 333333},   {352, 288, 333333},
      {800, 600, 500000},  {1280, 720, 1000000}, {1280, 960, 1333333}, {640, 480, 333333},
      {160, 120, 333333},  {320, 240, 333333},   {352, 288, 333333},   {800, 600, 333333},
      {1280, 720, 333333}, {1280, 960, 333333}};
  EXPECT_EQ(offered, expected);
}

// SetFormat before the connection picks the mode: here MJPEG at 1280 × 720, which the
// library decodes, delivered to BufferCB as bottom-up RGB24 with the top row on top.
TEST_F(V4L2Source, TheChosenFormatIsStreamedToTheGrabber) {
  driver->AddNode(EmulatedCameraNode(kPath, "Camera", EmulatedFormats(RecordedUvcCamera())));
  Build(12);
  EXPECT_EQ(graph.ConnectedSize(), (std::pair<LONG, LONG>(1280, 720)));
  ASSERT_EQ(graph.control->Run(), S_OK);
  EXPECT_EQ(driver->Format(kPath).pixelformat, V4L2_PIX_FMT_MJPEG);
  EXPECT_EQ(driver->Format(kPath).width, 1280u);
  EXPECT_EQ(driver->Interval(kPath), (TV4L2Fraction{1, 30}));
  RgbPicture picture = ColourBars(1280, 720);
  std::fill_n(picture.rgb.begin(), 1280 * 3 * 16, 255);  // a white band along the top
  Send(ToJpeg(picture, 95));
  const std::vector<uint8_t> frame = recorder->Buffer(0);
  ASSERT_EQ(frame.size(), 1280u * 720 * 3);
  for (uint32_t bar = 0; bar < 8; ++bar) {
    const Rgb got = DeliveredPixel(frame, 1280, 720, bar * 160 + 80, 360);
    const uint8_t* want = picture.At(bar * 160 + 80, 360);
    EXPECT_NEAR(got.r, want[0], 10) << "bar " << bar;
    EXPECT_NEAR(got.g, want[1], 10) << "bar " << bar;
    EXPECT_NEAR(got.b, want[2], 10) << "bar " << bar;
  }
  const Rgb top = DeliveredPixel(frame, 1280, 720, 1200, 4);
  EXPECT_GT(top.r + top.g + top.b, 3 * 240);  // white above the black bar
  ASSERT_EQ(graph.control->Stop(), S_OK);
  EXPECT_FALSE(driver->Streaming(kPath));
}

// A driver that takes heights in steps of 16 only, behind a continuous range: the sizes
// picked in the range are offered as the driver sets them.
TEST_F(V4L2Source, SizesTheDriverAdjustsArePublishedAsSet) {
  TEmulatedFormat ranged;
  ranged.pixelFormat = V4L2_PIX_FMT_YUYV;
  ranged.name = "YUYV";
  ranged.range = TV4L2SizeRange{16, 1920, 1, 16, 1080, 1};
  ranged.rangeIntervals = {{1, 30}};
  TEmulatedNode node = EmulatedCameraNode(kPath, "Camera", {ranged});
  node.quirk = [](v4l2_pix_format& f) { f.height &= ~15u; };
  driver->AddNode(node);
  const TV4L2Handle device = TV4L2Handle::Open(driver, kPath);
  std::vector<std::pair<uint32_t, uint32_t>> sizes;
  for (const TV4L2Mode& m : OfferedV4L2Modes(device)) sizes.emplace_back(m.width, m.height);
  const std::vector<std::pair<uint32_t, uint32_t>> expected{
      {160, 112}, {176, 144},  {320, 240},  {352, 288},  {640, 352},  {640, 480},
      {800, 592}, {1024, 768}, {1280, 720}, {1280, 960}, {1920, 1072}};
  EXPECT_EQ(sizes, expected);
}

// Listed sizes are taken as listed; should the driver still set another size, the run fails
// rather than deliver frames of a size the connection does not have.
TEST_F(V4L2Source, ADriverThatChangesAListedSizeFailsTheRun) {
  TEmulatedNode node =
      EmulatedCameraNode(kPath, "Camera", {EmulatedFormat(V4L2_PIX_FMT_YUYV, {{1366, 768}})});
  node.quirk = [](v4l2_pix_format& f) { f.width &= ~15u; };
  driver->AddNode(node);
  Build();
  EXPECT_EQ(graph.ConnectedSize(), (std::pair<LONG, LONG>(1366, 768)));
  EXPECT_EQ(graph.control->Run(), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(driver->MappedBuffers(), 0);
}

TEST_F(V4L2Source, ABusyCameraFailsTheRunWithCameraInUse) {
  driver->AddNode(
      EmulatedCameraNode(kPath, "Camera", {EmulatedFormat(V4L2_PIX_FMT_YUYV, {{64, 16}})}));
  Build();
  // Another program streaming from the camera owns its buffers.
  const TV4L2Handle other = TV4L2Handle::Open(driver, kPath);
  v4l2_requestbuffers req{2, V4L2_BUF_TYPE_VIDEO_CAPTURE, V4L2_MEMORY_MMAP, 0, 0, {}};
  ASSERT_EQ(other.Ioctl(VIDIOC_REQBUFS, &req), 0);
  const HRESULT hr = graph.control->Run();
  EXPECT_EQ(hr, E_DEVICE_BUSY);
  char text[256];
  AMGetErrorTextA(hr, text, sizeof text);
  EXPECT_STREQ(text, "The camera is in use by another program.");
  req.count = 0;
  ASSERT_EQ(other.Ioctl(VIDIOC_REQBUFS, &req), 0);
  // Once the other program lets go, the camera runs.
  EXPECT_EQ(graph.control->Run(), S_OK);
  Send(ToYuyv(ColourBars(64, 16)));
  EXPECT_EQ(recorder->Buffer(0).size(), 64u * 16 * 3);
}

// Unplugged: EC_DEVICE_LOST once, the graph stops cleanly and cannot run again; a driver error
// while streaming: EC_STREAM_ERROR_STOPPED once.
TEST_F(V4L2Source, ACameraLostOrFailingIsReportedOnce) {
  struct Case {
    const char* name;
    std::function<void(TV4L2EmulatedDriver&)> fault;
    LONG event;
    LONG_PTR param;
  };
  const Case cases[] = {
      {"unplugged", [](TV4L2EmulatedDriver& d) { d.Unplug(kPath); }, EC_DEVICE_LOST, 0},
      {"I/O error", [](TV4L2EmulatedDriver& d) { d.FailStream(kPath, EIO); },
       EC_STREAM_ERROR_STOPPED, E_DEVICE_FAILED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    driver = std::make_shared<TV4L2EmulatedDriver>();
    InstallV4L2DeviceAccess(driver);
    driver->AddNode(
        EmulatedCameraNode(kPath, "Camera", {EmulatedFormat(V4L2_PIX_FMT_YUYV, {{64, 16}})}));
    Build();
    ASSERT_EQ(graph.control->Run(), S_OK);
    Send(ToYuyv(ColourBars(64, 16)));
    ASSERT_FALSE(recorder->Buffer(0).empty());
    c.fault(*driver);
    const auto event = NextEvent();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->first, c.event);
    EXPECT_EQ(event->second, c.param);
    EXPECT_EQ(graph.control->Stop(), S_OK);
    LONG code;
    LONG_PTR p1, p2;
    EXPECT_EQ(graph.events->GetEvent(&code, &p1, &p2, 0), E_ABORT);  // one event only
    if (c.event == EC_DEVICE_LOST) {
      EXPECT_EQ(graph.control->Run(), VFW_E_NO_CAPTURE_HARDWARE);
    }
    graph.TearDown();
    EXPECT_EQ(driver->OpenDescriptors(), 0);
  }
}

}  // namespace
