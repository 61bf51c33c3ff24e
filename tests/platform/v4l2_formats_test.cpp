// From what a V4L2 camera reports to the capture pin's modes and their RGB24 format blocks.
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <memory>

#include "platform/dshow/v4l2/device_query.h"
#include "platform/dshow/v4l2/emulated_driver.h"
#include "platform/dshow/v4l2/formats.h"

namespace {

constexpr TV4L2Fraction k30{1, 30}, k25{1, 25}, k20{1, 20}, k15{1, 15}, k10{1, 10}, k5{1, 5},
    k7_5{2, 15};

// What a common 720p UVC webcam reports (v4l2-ctl --list-formats-ext): YUYV with rates that
// fall as sizes grow, the same sizes in MJPEG at 30 frames a second, and H.264 it also offers.
TV4L2DeviceDescription RecordedUvcCamera() {
  const std::vector<TV4L2Fraction> full{k30, k25, k20, k15, k10, k5};
  TV4L2FormatDescription yuyv{V4L2_PIX_FMT_YUYV,
                              "YUYV 4:2:2",
                              {{640, 480, full},
                               {160, 120, full},
                               {320, 240, full},
                               {352, 288, full},
                               {800, 600, {k20, k15, k10, k5}},
                               {1280, 720, {k10, k5}},
                               {1280, 960, {k7_5, k5}}},
                              {}};
  TV4L2FormatDescription mjpeg{V4L2_PIX_FMT_MJPEG, "Motion-JPEG", {}, {}};
  for (const TV4L2FrameSize& s : yuyv.sizes) mjpeg.sizes.push_back({s.width, s.height, full});
  TV4L2FormatDescription h264{V4L2_PIX_FMT_H264, "H.264", {{1280, 720, {k30}}}, {}};
  return {{yuyv, mjpeg, h264}};
}

TEST(V4L2Formats, RecordedCameraGivesOneModePerConvertibleFormatAndSize) {
  const std::vector<TV4L2Mode> modes = ModesOf(RecordedUvcCamera());
  // YUYV then MJPEG, each in the camera's order, at its shortest interval; no H.264.
  const std::vector<TV4L2Mode> expected{
      {V4L2_PIX_FMT_YUYV, 640, 480, k30},    {V4L2_PIX_FMT_YUYV, 160, 120, k30},
      {V4L2_PIX_FMT_YUYV, 320, 240, k30},    {V4L2_PIX_FMT_YUYV, 352, 288, k30},
      {V4L2_PIX_FMT_YUYV, 800, 600, k20},    {V4L2_PIX_FMT_YUYV, 1280, 720, k10},
      {V4L2_PIX_FMT_YUYV, 1280, 960, k7_5},  {V4L2_PIX_FMT_MJPEG, 640, 480, k30},
      {V4L2_PIX_FMT_MJPEG, 160, 120, k30},   {V4L2_PIX_FMT_MJPEG, 320, 240, k30},
      {V4L2_PIX_FMT_MJPEG, 352, 288, k30},   {V4L2_PIX_FMT_MJPEG, 800, 600, k30},
      {V4L2_PIX_FMT_MJPEG, 1280, 720, k30},  {V4L2_PIX_FMT_MJPEG, 1280, 960, k30},
  };
  EXPECT_EQ(modes, expected);
}

TEST(V4L2Formats, EveryModeIsDeliveredAsBottomUpRgb24OfItsSize) {
  struct Case {
    TV4L2Mode mode;
    LONG width, height;
    DWORD imageBytes;
    REFERENCE_TIME frameTime;
  };
  const Case cases[] = {
      {{V4L2_PIX_FMT_YUYV, 640, 480, k30}, 640, 480, 921600, 333333},
      {{V4L2_PIX_FMT_MJPEG, 1920, 1080, k30}, 1920, 1080, 6220800, 333333},
      {{V4L2_PIX_FMT_YUYV, 1280, 960, k7_5}, 1280, 960, 3686400, 1333333},
      // Rows of 3 × 175 = 525 bytes are padded to 528.
      {{V4L2_PIX_FMT_YUYV, 175, 144, k25}, 175, 144, 528 * 144, 400000},
      {{V4L2_PIX_FMT_YUYV, 320, 240, {}}, 320, 240, 230400, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    const VIDEOINFOHEADER vih = VideoInfoOf(c.mode);
    EXPECT_EQ(vih.bmiHeader.biSize, 40u);
    EXPECT_EQ(vih.bmiHeader.biWidth, c.width);
    EXPECT_EQ(vih.bmiHeader.biHeight, c.height);  // positive: bottom row first
    EXPECT_EQ(vih.bmiHeader.biPlanes, 1);
    EXPECT_EQ(vih.bmiHeader.biBitCount, 24);
    EXPECT_EQ(vih.bmiHeader.biCompression, BI_RGB);
    EXPECT_EQ(vih.bmiHeader.biSizeImage, c.imageBytes);
    EXPECT_EQ(vih.AvgTimePerFrame, c.frameTime);
  }
}

TEST(V4L2Formats, RangesOfferTheCommonSizesOnTheirGrid) {
  struct Case {
    const char* name;
    TV4L2SizeRange range;
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
  };
  const Case cases[] = {
      {"continuous up to 1280x720",
       {16, 1280, 1, 16, 720, 1},
       {{160, 120}, {176, 144}, {320, 240}, {352, 288}, {640, 360}, {640, 480}, {800, 600},
        {1280, 720}}},
      // 176 is off a width grid of 32 from 32.
      {"stepwise",
       {32, 640, 32, 24, 480, 24},
       {{160, 120}, {320, 240}, {352, 288}, {640, 360}, {640, 480}}},
      {"no common size: the largest on the grid", {100, 150, 7, 50, 60, 4}, {{149, 58}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::pair<uint32_t, uint32_t>> got;
    for (const TV4L2FrameSize& s : CommonSizesInRange(c.range)) got.emplace_back(s.width, s.height);
    EXPECT_EQ(got, c.sizes);
  }
}

TEST(V4L2Formats, UnusableSizesAndRepeatsAreLeftOut) {
  TV4L2DeviceDescription d{{{V4L2_PIX_FMT_YUYV,
                             "YUYV",
                             {{0, 480, {}}, {640, 480, {}}, {640, 480, {}}, {20000, 10, {}}},
                             {}}}};
  const std::vector<TV4L2Mode> modes = ModesOf(d);
  ASSERT_EQ(modes.size(), 1u);
  EXPECT_EQ(modes[0], (TV4L2Mode{V4L2_PIX_FMT_YUYV, 640, 480, {}}));
}

// The same camera behind the emulated driver: its enumeration ioctls give back the table.
TEST(V4L2Formats, EnumerationOfTheDriverGivesTheRecordedTable) {
  auto driver = std::make_shared<TV4L2EmulatedDriver>();
  std::vector<TEmulatedFormat> formats;
  for (const TV4L2FormatDescription& f : RecordedUvcCamera().formats)
    formats.push_back({f.pixelFormat, f.name, f.sizes, {}, {}, false});
  // A second node whose sizes are a range and whose intervals are a range too.
  TEmulatedFormat ranged{V4L2_PIX_FMT_YUYV, "YUYV", {}, TV4L2SizeRange{32, 640, 32, 24, 480, 24},
                         {k30, k5}, true};
  driver->AddNode(EmulatedCameraNode("/dev/video0", "Camera", formats));
  driver->AddNode(EmulatedCameraNode("/dev/video2", "Ranged", {ranged}));

  {
    const TV4L2Handle device = TV4L2Handle::Open(driver, "/dev/video0");
    ASSERT_TRUE(device.Valid());
    const TV4L2DeviceDescription d = DescribeV4L2Device(device);
    ASSERT_EQ(d.formats.size(), 3u);
    EXPECT_EQ(ModesOf(d), ModesOf(RecordedUvcCamera()));
    EXPECT_EQ(d.formats[1].name, "Motion-JPEG");
  }
  {
    const TV4L2Handle device = TV4L2Handle::Open(driver, "/dev/video2");
    const std::vector<TV4L2Mode> modes = ModesOf(DescribeV4L2Device(device));
    const std::vector<TV4L2Mode> expected{
        {V4L2_PIX_FMT_YUYV, 160, 120, k30}, {V4L2_PIX_FMT_YUYV, 320, 240, k30},
        {V4L2_PIX_FMT_YUYV, 352, 288, k30}, {V4L2_PIX_FMT_YUYV, 640, 360, k30},
        {V4L2_PIX_FMT_YUYV, 640, 480, k30}};
    EXPECT_EQ(modes, expected);
  }
  EXPECT_EQ(driver->OpenDescriptors(), 0);
}

}  // namespace
