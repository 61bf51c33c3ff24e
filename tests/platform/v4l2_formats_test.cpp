// From what a V4L2 camera reports to the capture pin's modes and their RGB24 format blocks.
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <memory>

#include "camera_pictures/v4l2_cameras.h"
#include "emulated_v4l2/emulated_driver.h"
#include "platform/dshow/v4l2/device_query.h"
#include "platform/dshow/v4l2/formats.h"

namespace {

constexpr TV4L2Fraction k30{1, 30}, k20{1, 20}, k10{1, 10}, k5{1, 5}, k7_5{2, 15};

TEST(V4L2Formats, RecordedCameraGivesOneModePerConvertibleFormatAndSize) {
  const std::vector<TV4L2Mode> modes = ModesOf(RecordedUvcCamera());
  // YUYV then MJPEG, each in the camera's order, at its shortest interval; no H.264.
  const std::vector<TV4L2Mode> expected{
      {V4L2_PIX_FMT_YUYV, 640, 480, k30},   {V4L2_PIX_FMT_YUYV, 160, 120, k30},
      {V4L2_PIX_FMT_YUYV, 320, 240, k30},   {V4L2_PIX_FMT_YUYV, 352, 288, k30},
      {V4L2_PIX_FMT_YUYV, 800, 600, k20},   {V4L2_PIX_FMT_YUYV, 1280, 720, k10},
      {V4L2_PIX_FMT_YUYV, 1280, 960, k7_5}, {V4L2_PIX_FMT_MJPEG, 640, 480, k30},
      {V4L2_PIX_FMT_MJPEG, 160, 120, k30},  {V4L2_PIX_FMT_MJPEG, 320, 240, k30},
      {V4L2_PIX_FMT_MJPEG, 352, 288, k30},  {V4L2_PIX_FMT_MJPEG, 800, 600, k30},
      {V4L2_PIX_FMT_MJPEG, 1280, 720, k30}, {V4L2_PIX_FMT_MJPEG, 1280, 960, k30},
  };
  EXPECT_EQ(modes, expected);
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
       {{160, 120},
        {176, 144},
        {320, 240},
        {352, 288},
        {640, 360},
        {640, 480},
        {800, 600},
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
  const std::vector<TEmulatedFormat> formats = EmulatedFormats(RecordedUvcCamera());
  // A second node whose sizes are a range and whose intervals are a range too.
  TEmulatedFormat ranged{V4L2_PIX_FMT_YUYV, "YUYV", {}, TV4L2SizeRange{32, 640, 32, 24, 480, 24},
                         {k30, k5},         true};
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
    const std::vector<TV4L2Mode> expected{{V4L2_PIX_FMT_YUYV, 160, 120, k30},
                                          {V4L2_PIX_FMT_YUYV, 320, 240, k30},
                                          {V4L2_PIX_FMT_YUYV, 352, 288, k30},
                                          {V4L2_PIX_FMT_YUYV, 640, 360, k30},
                                          {V4L2_PIX_FMT_YUYV, 640, 480, k30}};
    EXPECT_EQ(modes, expected);
  }
  EXPECT_EQ(driver->OpenDescriptors(), 0);
}

}  // namespace
