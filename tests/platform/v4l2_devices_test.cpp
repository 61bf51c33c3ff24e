// Which V4L2 nodes are cameras, in which order, and how a node is opened.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>

#include "emulated_v4l2/emulated_driver.h"
#include "platform/dshow/v4l2/device_query.h"

namespace {

TEmulatedFormat Yuyv() {
  TEmulatedFormat f;
  f.pixelFormat = V4L2_PIX_FMT_YUYV;
  f.name = "YUYV";
  f.sizes = {{640, 480, {{1, 30}}}};
  return f;
}

TEST(V4L2Devices, OnlyCaptureNodesAreListedInPathOrderByTheirCardNames) {
  auto driver = std::make_shared<TV4L2EmulatedDriver>();
  driver->AddNode(EmulatedCameraNode("/dev/video7", "Desk Camera", {Yuyv()}));
  driver->AddNode(EmulatedCameraNode("/dev/video0", "HD Webcam C270", {Yuyv()}));
  driver->AddNode(EmulatedMetadataNode("/dev/video1", "HD Webcam C270"));
  driver->AddNode(EmulatedCameraNode("/dev/video2", "Integrated Camera", {Yuyv()}));
  driver->AddNode(EmulatedMetadataNode("/dev/video3", "Integrated Camera"));
  TEmulatedNode readOnly = EmulatedCameraNode("/dev/video4", "Read-only grabber", {Yuyv()});
  readOnly.deviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE;
  driver->AddNode(readOnly);
  TEmulatedNode output = EmulatedCameraNode("/dev/video5", "Loopback output", {Yuyv()});
  output.deviceCaps = V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_STREAMING;
  driver->AddNode(output);
  driver->AddNode(EmulatedCameraNode("/dev/video6", "Unplugged", {Yuyv()}));
  driver->Unplug("/dev/video6");

  const std::vector<TV4L2DeviceInfo> devices = ListV4L2Devices(driver);
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0].path, "/dev/video0");
  EXPECT_EQ(devices[0].card, "HD Webcam C270");
  EXPECT_EQ(devices[0].driver, "uvcvideo");
  EXPECT_EQ(devices[1].path, "/dev/video2");
  EXPECT_EQ(devices[1].card, "Integrated Camera");
  EXPECT_EQ(devices[2].path, "/dev/video7");
  EXPECT_EQ(driver->OpenDescriptors(), 0);
}

// The system's open takes only character devices and never waits (a FIFO would block a
// plain open until a writer came).
TEST(V4L2Devices, SystemOpenRefusesAnythingButACharacterDeviceWithoutBlocking) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("lumatap_v4l2_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "file").string(), fifo = (dir / "fifo").string();
  std::ofstream(file) << "not a camera";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  const std::shared_ptr<TV4L2DeviceAccess> access = MakeSystemV4L2Access();
  for (const std::string& path : {file, fifo, dir.string()}) {
    errno = 0;
    EXPECT_EQ(access->Open(path), -1) << path;
    EXPECT_TRUE(errno == ENODEV || errno == EISDIR) << path << ": " << errno;
  }
  const int fd = access->Open("/dev/null");  // a character device, though no camera
  EXPECT_GE(fd, 0);
  if (fd >= 0) {
    EXPECT_NE(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    v4l2_capability cap{};
    EXPECT_EQ(access->Ioctl(fd, VIDIOC_QUERYCAP, &cap), -1);
    access->Close(fd);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
