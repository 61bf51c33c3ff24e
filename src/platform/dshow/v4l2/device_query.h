// What the V4L2 device nodes tell about themselves: which of them capture video (the device
// list) and, for one open device, its pixel formats, frame sizes and frame intervals.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/v4l2/device_access.h"
#include "platform/dshow/v4l2/formats.h"

struct TV4L2DeviceInfo {
  std::string path;  // "/dev/video0"
  std::string card;  // the card name, shown as the device's friendly name
  std::string driver;
  std::string busInfo;
};

// The nodes whose own capabilities (device_caps) include single-planar video capture with
// streaming I/O, so a camera's metadata node is not listed beside it; ordered by path (as the
// device enumerator orders every provider's devices). Nodes that fail to open are left out.
std::vector<TV4L2DeviceInfo> ListV4L2Devices(const std::shared_ptr<TV4L2DeviceAccess>& access);

// True and info filled when the open node is a capture device as above.
bool QueryV4L2Capture(const TV4L2Handle& device, TV4L2DeviceInfo* info);

// The formats of an open device as its enumeration ioctls answer, in the driver's order;
// ranges of sizes are narrowed to CommonSizesInRange, each size with its frame intervals.
TV4L2DeviceDescription DescribeV4L2Device(const TV4L2Handle& device);
