// The V4L2 streaming against the emulated driver: frames converted by the real conversion
// library, their row order, dropped frames, a busy or failing device, and stopping.
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "camera_pictures/v4l2_cameras.h"
#include "emulated_v4l2/emulated_driver.h"
#include "platform/dshow/v4l2/capture.h"

namespace {

using namespace std::chrono_literals;

constexpr char kPath[] = "/dev/video0";
// A safety net only: every wait ends as soon as its condition holds.
constexpr auto kPatience = 20s;
constexpr std::array<uint8_t, 2> kScan{0xFF, 0xDA};  // a JPEG's start-of-scan marker

class RecordingSink : public TV4L2FrameSink {
 public:
  uint8_t* BeginFrame(size_t bytes) override {
    current_.assign(bytes, 0xCD);
    return current_.data();
  }
  void EndFrame(bool complete, REFERENCE_TIME start, REFERENCE_TIME) override {
    std::lock_guard lk(m_);
    if (complete) {
      frames.push_back(current_);
      starts.push_back(start);
    } else {
      ++dropped;
    }
    cv_.notify_all();
  }
  void DeviceLost() override {
    std::lock_guard lk(m_);
    ++lost;
    cv_.notify_all();
  }
  void StreamFailed(int error) override {
    std::lock_guard lk(m_);
    failures.push_back(error);
    cv_.notify_all();
  }
  // Waits until n frames have ended, delivered or dropped.
  bool WaitForEnded(size_t n) {
    std::unique_lock lk(m_);
    return cv_.wait_for(lk, kPatience, [&] { return frames.size() + dropped >= n; });
  }
  bool WaitForReport() {
    std::unique_lock lk(m_);
    return cv_.wait_for(lk, kPatience, [&] { return lost + failures.size() > 0; });
  }

  // Read by the test once the streaming thread waits or has ended.
  std::vector<std::vector<uint8_t>> frames;
  std::vector<REFERENCE_TIME> starts;
  size_t dropped = 0;
  int lost = 0;
  std::vector<int> failures;

 private:
  std::vector<uint8_t> current_;  // streaming thread
  std::mutex m_;
  std::condition_variable cv_;
};

class V4L2Streaming : public testing::Test {
 protected:
  void AddCamera(std::vector<TEmulatedFormat> formats,
                 std::function<void(v4l2_pix_format&)> quirk = {}) {
    TEmulatedNode node = EmulatedCameraNode(kPath, "Test Camera", std::move(formats));
    node.quirk = std::move(quirk);
    driver->AddNode(std::move(node));
    device = TV4L2Handle::Open(driver, kPath);
    ASSERT_TRUE(device.Valid());
    capture = std::make_unique<TV4L2Capture>(device);
  }
  // Prepares mode and starts streaming into sink.
  void Start(const TV4L2Mode& mode) {
    TV4L2Mode actual;
    ASSERT_EQ(capture->Prepare(mode, &actual), S_OK);
    ASSERT_EQ(capture->Start(&sink), S_OK);
  }
  // Releases one frame once the streaming thread has a buffer queued, and waits for its end.
  void Send(const std::vector<uint8_t>& bytes, uint32_t flags = 0) {
    const size_t ended = sink.frames.size() + sink.dropped;
    ASSERT_TRUE(driver->WaitForQueuedBuffer(kPath, kPatience));
    ASSERT_TRUE(driver->ReleaseFrame(kPath, bytes, flags));
    ASSERT_TRUE(sink.WaitForEnded(ended + 1));
  }
  void TearDown() override {
    if (capture) capture->Stop();
    capture.reset();
    device.Reset();
    EXPECT_EQ(driver->MappedBuffers(), 0);
    EXPECT_EQ(driver->OpenDescriptors(), 0);
  }

  std::shared_ptr<TV4L2EmulatedDriver> driver = std::make_shared<TV4L2EmulatedDriver>();
  TV4L2Handle device;
  std::unique_ptr<TV4L2Capture> capture;
  RecordingSink sink;
};

// The frames are made with the library's own coefficients (camera_pictures/v4l2_cameras.h): what
// remains is the rounding of 8-bit samples and of its shifts.
constexpr int kYuvRounding = 2;

void ExpectNear(Rgb got, const uint8_t* want, int tolerance, uint32_t x, uint32_t y) {
  EXPECT_NEAR(got.r, want[0], tolerance) << "red at " << x << "," << y;
  EXPECT_NEAR(got.g, want[1], tolerance) << "green at " << x << "," << y;
  EXPECT_NEAR(got.b, want[2], tolerance) << "blue at " << x << "," << y;
}

TEST_F(V4L2Streaming, YuyvColourBarsArriveAsRgb24PixelByPixel) {
  AddCamera({EmulatedFormat(V4L2_PIX_FMT_YUYV, {{64, 16}})});
  Start({V4L2_PIX_FMT_YUYV, 64, 16, {1, 15}});
  EXPECT_EQ(driver->Interval(kPath), (TV4L2Fraction{1, 15}));
  const RgbPicture bars = ColourBars(64, 16);
  Send(ToYuyv(bars));
  ASSERT_EQ(sink.frames.size(), 1u);
  ASSERT_EQ(sink.frames[0].size(), 64u * 16 * 3);
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 64; ++x)
      ExpectNear(DeliveredPixel(sink.frames[0], 64, 16, x, y), bars.At(x, y), kYuvRounding, x, y);
}

TEST_F(V4L2Streaming, TheTopRowOfTheFrameIsTheTopRowOfTheBitmap) {
  AddCamera({EmulatedFormat(V4L2_PIX_FMT_YUYV, {{32, 24}}),
             EmulatedFormat(V4L2_PIX_FMT_MJPEG, {{32, 24}})});
  const RgbPicture marked = TopRowMarked(32, 24);
  for (const uint32_t format : {V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_MJPEG}) {
    SCOPED_TRACE(format == V4L2_PIX_FMT_YUYV ? "YUYV" : "MJPEG");
    sink.frames.clear();
    Start({format, 32, 24, {1, 30}});
    Send(format == V4L2_PIX_FMT_YUYV ? ToYuyv(marked) : ToJpeg(marked, 95));
    ASSERT_EQ(sink.frames.size(), 1u);
    const std::vector<uint8_t>& bitmap = sink.frames[0];
    // Memory holds the bottom row first: the white row is the last one there.
    EXPECT_GT(bitmap[23 * 96 + 48], 200);
    EXPECT_LT(bitmap[48], 40);
    for (uint32_t x = 0; x < 32; ++x) {
      EXPECT_GT(DeliveredPixel(bitmap, 32, 24, x, 0).g, 200);
      EXPECT_LT(DeliveredPixel(bitmap, 32, 24, x, 12).g, 40);
    }
    capture->Stop();
  }
}

TEST_F(V4L2Streaming, ShortOrCorruptFramesAreDroppedAndStreamingGoesOn) {
  AddCamera({EmulatedFormat(V4L2_PIX_FMT_YUYV, {{32, 8}}),
             EmulatedFormat(V4L2_PIX_FMT_MJPEG, {{32, 8}})});
  const RgbPicture bars = ColourBars(32, 8);
  const std::vector<uint8_t> yuyv = ToYuyv(bars), jpeg = ToJpeg(bars);
  struct Case {
    const char* name;
    uint32_t format;
    std::vector<uint8_t> bytes;
    uint32_t flags;
  };
  std::vector<uint8_t> noEnd = jpeg;
  noEnd.resize(noEnd.size() - 2);
  std::vector<uint8_t> padded = jpeg;  // cameras may pad behind the end marker
  padded.resize(jpeg.size() + 300, 0);
  std::vector<uint8_t> damaged = jpeg;  // markers intact, the coded picture scrambled
  const size_t scan =
      std::search(jpeg.begin(), jpeg.end(), kScan.begin(), kScan.end()) - jpeg.begin();
  for (size_t i = scan + 20; i + 4 < damaged.size(); i += 3) damaged[i] = damaged[i] * 31 + 7;
  std::vector<uint8_t> garbage(jpeg.size());
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
  const Case cases[] = {
      {"YUYV one byte short", V4L2_PIX_FMT_YUYV, {yuyv.begin(), yuyv.end() - 1}, 0},
      {"YUYV marked damaged", V4L2_PIX_FMT_YUYV, yuyv, V4L2_BUF_FLAG_ERROR},
      {"YUYV empty", V4L2_PIX_FMT_YUYV, {}, 0},
      {"JPEG cut in half", V4L2_PIX_FMT_MJPEG, {jpeg.begin(), jpeg.begin() + jpeg.size() / 2}, 0},
      {"JPEG without its end", V4L2_PIX_FMT_MJPEG, noEnd, 0},
      {"JPEG headers only", V4L2_PIX_FMT_MJPEG, {jpeg.begin(), jpeg.begin() + 20}, 0},
      {"JPEG with damaged image data", V4L2_PIX_FMT_MJPEG, damaged, 0},
      {"not a JPEG", V4L2_PIX_FMT_MJPEG, garbage, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink.frames.clear();
    sink.dropped = 0;
    Start({c.format, 32, 8, {1, 30}});
    Send(c.bytes, c.flags);
    EXPECT_EQ(sink.dropped, 1u);
    EXPECT_TRUE(sink.frames.empty());
    // The next good frame comes through.
    Send(c.format == V4L2_PIX_FMT_YUYV ? yuyv : padded);
    EXPECT_EQ(sink.frames.size(), 1u);
    capture->Stop();
  }
}

TEST_F(V4L2Streaming, ABusyDeviceFailsWithCameraInUse) {
  AddCamera({EmulatedFormat(V4L2_PIX_FMT_YUYV, {{64, 16}})});
  const TV4L2Mode mode{V4L2_PIX_FMT_YUYV, 64, 16, {1, 30}};
  TV4L2Mode actual;
  for (const unsigned long request : {VIDIOC_S_FMT, VIDIOC_REQBUFS}) {
    driver->FailNext(kPath, request, EBUSY);
    EXPECT_EQ(capture->Prepare(mode, &actual), E_DEVICE_BUSY);
    EXPECT_EQ(driver->MappedBuffers(), 0);
  }
  EXPECT_EQ(static_cast<uint32_t>(E_DEVICE_BUSY), 0x800700AAu);
}

TEST_F(V4L2Streaming, AnIoErrorIsReportedOnceNotInALoop) {
  AddCamera({EmulatedFormat(V4L2_PIX_FMT_YUYV, {{64, 16}})});
  Start({V4L2_PIX_FMT_YUYV, 64, 16, {1, 30}});
  Send(ToYuyv(ColourBars(64, 16)));
  const int dequeues = driver->CallCount(kPath, VIDIOC_DQBUF);
  driver->FailStream(kPath, EIO);  // every DQBUF fails from now on, and poll says so
  ASSERT_TRUE(sink.WaitForReport());
  capture->Stop();
  EXPECT_EQ(sink.failures, std::vector<int>{EIO});
  EXPECT_EQ(sink.lost, 0);
  EXPECT_EQ(driver->CallCount(kPath, VIDIOC_DQBUF), dequeues + 1);
}

TEST_F(V4L2Streaming, StopReturnsWhileTheDriverHoldsEveryBuffer) {
  AddCamera({EmulatedFormat(V4L2_PIX_FMT_YUYV, {{64, 16}})});
  Start({V4L2_PIX_FMT_YUYV, 64, 16, {1, 30}});
  ASSERT_TRUE(driver->WaitForQueuedBuffer(kPath, kPatience));
  capture->Stop();
  EXPECT_FALSE(driver->Streaming(kPath));
  EXPECT_EQ(driver->MappedBuffers(), 0);
  // Nothing reaches the sink after the stop.
  EXPECT_FALSE(driver->ReleaseFrame(kPath, ToYuyv(ColourBars(64, 16))));
  EXPECT_TRUE(sink.frames.empty());
  EXPECT_EQ(sink.dropped, 0u);
}

TEST_F(V4L2Streaming, TheModeTheDriverSetsIsTheOneReported) {
  // A driver that takes widths in steps of 16 only: 1366 becomes 1360.
  TEmulatedFormat wide = EmulatedFormat(V4L2_PIX_FMT_YUYV, {{1366, 768}});
  AddCamera({wide}, [](v4l2_pix_format& f) { f.width &= ~15u; });
  const TV4L2Mode mode{V4L2_PIX_FMT_YUYV, 1366, 768, {1, 30}};
  TV4L2Mode tried, set;
  ASSERT_EQ(TryV4L2Mode(device, mode, &tried), S_OK);
  EXPECT_EQ(tried, (TV4L2Mode{V4L2_PIX_FMT_YUYV, 1360, 768, {1, 30}}));
  ASSERT_EQ(capture->Prepare(mode, &set), S_OK);
  EXPECT_EQ(set, tried);
  ASSERT_EQ(capture->Start(&sink), S_OK);
  Send(ToYuyv(ColourBars(1360, 768)));
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0].size(), RgbImageBytes(1360, 768));
}

// The formats the mapping offers are the ones the conversion library really converts.
TEST(V4L2Conversion, EveryOfferedFormatConverts) {
  auto driver = std::make_shared<TV4L2EmulatedDriver>();
  driver->AddNode(
      EmulatedCameraNode(kPath, "Camera", {EmulatedFormat(V4L2_PIX_FMT_YUYV, {{16, 8}})}));
  const TV4L2Handle device = TV4L2Handle::Open(driver, kPath);
  TV4L2Converter converter(device);
  ASSERT_TRUE(converter.Valid());
  const std::vector<uint8_t> jpeg = ToJpeg(ColourBars(16, 8));
  struct Case {
    uint32_t format;
    uint32_t bytesPerLine, imageBytes;
  };
  const Case cases[] = {
      {V4L2_PIX_FMT_YUYV, 32, 256},   {V4L2_PIX_FMT_YVYU, 32, 256},
      {V4L2_PIX_FMT_UYVY, 32, 256},   {V4L2_PIX_FMT_NV12, 16, 192},
      {V4L2_PIX_FMT_NV16, 16, 256},   {V4L2_PIX_FMT_NV61, 16, 256},
      {V4L2_PIX_FMT_YUV420, 16, 192}, {V4L2_PIX_FMT_YVU420, 16, 192},
      {V4L2_PIX_FMT_M420, 16, 192},   {V4L2_PIX_FMT_HM12, 16, 192},
      {V4L2_PIX_FMT_RGB24, 48, 384},  {V4L2_PIX_FMT_BGR24, 48, 384},
      {V4L2_PIX_FMT_RGB565, 32, 256}, {V4L2_PIX_FMT_RGB32, 64, 512},
      {V4L2_PIX_FMT_BGR32, 64, 512},  {V4L2_PIX_FMT_XRGB32, 64, 512},
      {V4L2_PIX_FMT_GREY, 16, 128},   {V4L2_PIX_FMT_Y16, 32, 256},
      {V4L2_PIX_FMT_SBGGR8, 16, 128}, {V4L2_PIX_FMT_SGBRG8, 16, 128},
      {V4L2_PIX_FMT_SGRBG8, 16, 128}, {V4L2_PIX_FMT_SRGGB8, 16, 128},
      {V4L2_PIX_FMT_MJPEG, 0, 512},   {V4L2_PIX_FMT_JPEG, 0, 512},
  };
  std::vector<uint8_t> bitmap(RgbImageBytes(16, 8));
  for (const Case& c : cases) {
    const bool jpegFormat = c.format == V4L2_PIX_FMT_MJPEG || c.format == V4L2_PIX_FMT_JPEG;
    SCOPED_TRACE(std::string(reinterpret_cast<const char*>(&c.format), 4));
    EXPECT_TRUE(V4L2FormatConvertible(c.format));
    v4l2_pix_format f{};
    f.width = 16;
    f.height = 8;
    f.pixelformat = c.format;
    f.field = V4L2_FIELD_NONE;
    f.bytesperline = c.bytesPerLine;
    f.sizeimage = c.imageBytes;
    converter.SetSource(f);
    const std::vector<uint8_t> frame = jpegFormat ? jpeg : std::vector<uint8_t>(c.imageBytes, 128);
    EXPECT_TRUE(converter.Convert(frame.data(), frame.size(), bitmap.data(), bitmap.size()));
  }
  for (const uint32_t other : {V4L2_PIX_FMT_H264, V4L2_PIX_FMT_NV21, V4L2_PIX_FMT_VYUY})
    EXPECT_FALSE(V4L2FormatConvertible(other));
}

}  // namespace
