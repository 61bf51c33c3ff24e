#include "platform/dshow/v4l2/device_query.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cstring>

namespace {

// Bounds on what a driver may list, so a faulty one cannot keep us enumerating for ever.
constexpr uint32_t kMaxFormats = 64;
constexpr uint32_t kMaxSizes = 256;
constexpr uint32_t kMaxIntervals = 64;

// A fixed-size text field of the driver's, which need not be terminated.
template <size_t N>
std::string FieldText(const uint8_t (&field)[N]) {
  const char* text = reinterpret_cast<const char*>(field);
  return std::string(text, strnlen(text, N));
}

std::vector<TV4L2Fraction> IntervalsOf(const TV4L2Handle& device, uint32_t pixelFormat,
                                       uint32_t width, uint32_t height) {
  std::vector<TV4L2Fraction> intervals;
  for (uint32_t i = 0; i < kMaxIntervals; ++i) {
    v4l2_frmivalenum e{};
    e.index = i;
    e.pixel_format = pixelFormat;
    e.width = width;
    e.height = height;
    if (device.Ioctl(VIDIOC_ENUM_FRAMEINTERVALS, &e) != 0) break;
    if (e.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
      intervals.push_back({e.discrete.numerator, e.discrete.denominator});
    } else {
      // A range: its shortest interval stands for it.
      intervals.push_back({e.stepwise.min.numerator, e.stepwise.min.denominator});
      break;
    }
  }
  return intervals;
}

// The sizes of one format: discrete as listed, a range narrowed to common sizes; a driver
// that enumerates no sizes is asked what it makes of 640 × 480.
void SizesOf(const TV4L2Handle& device, TV4L2FormatDescription* format) {
  for (uint32_t i = 0; i < kMaxSizes; ++i) {
    v4l2_frmsizeenum e{};
    e.index = i;
    e.pixel_format = format->pixelFormat;
    if (device.Ioctl(VIDIOC_ENUM_FRAMESIZES, &e) != 0) break;
    if (e.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
      format->sizes.push_back({e.discrete.width, e.discrete.height, {}});
      continue;
    }
    TV4L2SizeRange range{e.stepwise.min_width,  e.stepwise.max_width,  e.stepwise.step_width,
                         e.stepwise.min_height, e.stepwise.max_height, e.stepwise.step_height};
    if (e.type == V4L2_FRMSIZE_TYPE_CONTINUOUS) range.stepWidth = range.stepHeight = 1;
    format->range = range;
    format->sizes = CommonSizesInRange(range);
    break;
  }
  if (format->sizes.empty() && !format->range) {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.pixelformat = format->pixelFormat;
    f.fmt.pix.width = 640;
    f.fmt.pix.height = 480;
    f.fmt.pix.field = V4L2_FIELD_ANY;
    if (device.Ioctl(VIDIOC_TRY_FMT, &f) == 0 && f.fmt.pix.pixelformat == format->pixelFormat)
      format->sizes.push_back({f.fmt.pix.width, f.fmt.pix.height, {}});
  }
  for (TV4L2FrameSize& size : format->sizes)
    size.intervals = IntervalsOf(device, format->pixelFormat, size.width, size.height);
}

}  // namespace

bool QueryV4L2Capture(const TV4L2Handle& device, TV4L2DeviceInfo* info) {
  v4l2_capability cap{};
  if (device.Ioctl(VIDIOC_QUERYCAP, &cap) != 0) return false;
  const uint32_t caps =
      (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) return false;
  info->card = FieldText(cap.card);
  info->driver = FieldText(cap.driver);
  info->busInfo = FieldText(cap.bus_info);
  return true;
}

std::vector<TV4L2DeviceInfo> ListV4L2Devices(const std::shared_ptr<TV4L2DeviceAccess>& access) {
  std::vector<std::string> nodes = access->ListNodes();
  std::sort(nodes.begin(), nodes.end());
  std::vector<TV4L2DeviceInfo> devices;
  for (const std::string& path : nodes) {
    const TV4L2Handle device = TV4L2Handle::Open(access, path);
    if (!device.Valid()) continue;
    TV4L2DeviceInfo info;
    info.path = path;
    if (QueryV4L2Capture(device, &info)) devices.push_back(std::move(info));
  }
  return devices;
}

TV4L2DeviceDescription DescribeV4L2Device(const TV4L2Handle& device) {
  TV4L2DeviceDescription description;
  for (uint32_t i = 0; i < kMaxFormats; ++i) {
    v4l2_fmtdesc d{};
    d.index = i;
    d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (device.Ioctl(VIDIOC_ENUM_FMT, &d) != 0) break;
    TV4L2FormatDescription format;
    format.pixelFormat = d.pixelformat;
    format.name = FieldText(d.description);
    SizesOf(device, &format);
    description.formats.push_back(std::move(format));
  }
  return description;
}
