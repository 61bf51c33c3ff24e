#include "platform/dshow/v4l2/formats.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <iterator>

namespace {

// Sizes beyond this are no camera's; the limit keeps a frame's byte count well inside 31 bits.
constexpr uint32_t kMaxSide = 16384;

// The source formats the conversion library turns into RGB24 (checked by the tests against
// the library itself).
constexpr uint32_t kConvertible[] = {
    V4L2_PIX_FMT_YUYV,   V4L2_PIX_FMT_YVYU,   V4L2_PIX_FMT_UYVY,   V4L2_PIX_FMT_NV12,
    V4L2_PIX_FMT_NV16,   V4L2_PIX_FMT_NV61,   V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_YVU420,
    V4L2_PIX_FMT_M420,   V4L2_PIX_FMT_HM12,   V4L2_PIX_FMT_RGB24,  V4L2_PIX_FMT_BGR24,
    V4L2_PIX_FMT_RGB565, V4L2_PIX_FMT_RGB32,  V4L2_PIX_FMT_BGR32,  V4L2_PIX_FMT_XRGB32,
    V4L2_PIX_FMT_GREY,   V4L2_PIX_FMT_Y16,    V4L2_PIX_FMT_MJPEG,  V4L2_PIX_FMT_JPEG,
    V4L2_PIX_FMT_SBGGR8, V4L2_PIX_FMT_SGBRG8, V4L2_PIX_FMT_SGRBG8, V4L2_PIX_FMT_SRGGB8,
};

struct CommonSize {
  uint32_t width, height;
};
constexpr CommonSize kCommonSizes[] = {
    {160, 120},  {176, 144},  {320, 240},  {352, 288},   {640, 360},   {640, 480},   {800, 600},
    {1024, 768}, {1280, 720}, {1280, 960}, {1600, 1200}, {1920, 1080}, {2560, 1440}, {3840, 2160},
};

bool OnGrid(uint32_t value, uint32_t min, uint32_t max, uint32_t step) {
  return value >= min && value <= max && (value - min) % step == 0;
}

bool Deliverable(uint32_t width, uint32_t height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

// The shortest interval of a list, compared as fractions; 0/0 for an empty list.
TV4L2Fraction Shortest(const std::vector<TV4L2Fraction>& intervals) {
  TV4L2Fraction best;
  for (const TV4L2Fraction& f : intervals) {
    if (f.numerator == 0 || f.denominator == 0) continue;
    if (best.denominator == 0 ||
        uint64_t{f.numerator} * best.denominator < uint64_t{best.numerator} * f.denominator)
      best = f;
  }
  return best;
}

}  // namespace

bool V4L2FormatConvertible(uint32_t pixelFormat) {
  return std::find(std::begin(kConvertible), std::end(kConvertible), pixelFormat) !=
         std::end(kConvertible);
}

std::vector<TV4L2FrameSize> CommonSizesInRange(const TV4L2SizeRange& r) {
  const uint32_t stepW = std::max<uint32_t>(r.stepWidth, 1);
  const uint32_t stepH = std::max<uint32_t>(r.stepHeight, 1);
  std::vector<TV4L2FrameSize> sizes;
  for (const CommonSize& s : kCommonSizes)
    if (OnGrid(s.width, r.minWidth, r.maxWidth, stepW) &&
        OnGrid(s.height, r.minHeight, r.maxHeight, stepH))
      sizes.push_back({s.width, s.height, {}});
  if (sizes.empty() && r.maxWidth >= r.minWidth && r.maxHeight >= r.minHeight)
    sizes.push_back({r.minWidth + (r.maxWidth - r.minWidth) / stepW * stepW,
                     r.minHeight + (r.maxHeight - r.minHeight) / stepH * stepH,
                     {}});
  return sizes;
}

std::vector<TV4L2Mode> ModesOf(const TV4L2DeviceDescription& description) {
  std::vector<TV4L2Mode> modes;
  for (const TV4L2FormatDescription& format : description.formats) {
    if (!V4L2FormatConvertible(format.pixelFormat)) continue;
    for (const TV4L2FrameSize& size : format.sizes) {
      if (!Deliverable(size.width, size.height)) continue;
      const TV4L2Mode mode{format.pixelFormat, size.width, size.height, Shortest(size.intervals)};
      const bool seen = std::any_of(modes.begin(), modes.end(), [&](const TV4L2Mode& m) {
        return m.pixelFormat == mode.pixelFormat && m.width == mode.width &&
               m.height == mode.height;
      });
      if (!seen) modes.push_back(mode);
    }
  }
  return modes;
}

REFERENCE_TIME FrameTimeOf(const TV4L2Fraction& interval) {
  if (interval.numerator == 0 || interval.denominator == 0) return 0;
  const uint64_t units = uint64_t{interval.numerator} * UNITS;
  return static_cast<REFERENCE_TIME>((units + interval.denominator / 2) / interval.denominator);
}

uint32_t RgbRowBytes(uint32_t width) { return (width * 3 + 3) & ~3u; }

uint32_t RgbImageBytes(uint32_t width, uint32_t height) { return RgbRowBytes(width) * height; }
