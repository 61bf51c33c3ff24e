// From what a V4L2 driver reports to the media types the capture pin offers. Pure: the
// input is a description of the device (as its enumeration ioctls answer, or a recorded table
// of a real camera), the output one mode per (native pixel format, frame size), each delivered
// as 24-bit RGB of its size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/dshow/types.h"  // REFERENCE_TIME

// A frame interval in seconds, numerator / denominator, as V4L2 gives it.
struct TV4L2Fraction {
  uint32_t numerator = 0;
  uint32_t denominator = 0;
  bool operator==(const TV4L2Fraction&) const = default;
};

// One frame size with the intervals the driver lists for it (for a stepwise or continuous
// interval range: its shortest interval alone).
struct TV4L2FrameSize {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<TV4L2Fraction> intervals;
};

// A stepwise (or, with steps of 1, continuous) frame size range.
struct TV4L2SizeRange {
  uint32_t minWidth = 0, maxWidth = 0, stepWidth = 1;
  uint32_t minHeight = 0, maxHeight = 0, stepHeight = 1;
};

struct TV4L2FormatDescription {
  uint32_t pixelFormat = 0;  // FourCC, V4L2_PIX_FMT_*
  std::string name;          // the driver's description
  // Discrete sizes in the driver's order; for a range, the sizes CommonSizesInRange picks.
  std::vector<TV4L2FrameSize> sizes;
  std::optional<TV4L2SizeRange> range;
};

struct TV4L2DeviceDescription {
  std::vector<TV4L2FormatDescription> formats;  // in the driver's order
};

// One entry of the pin: read the device in pixelFormat at width × height, one frame every
// interval (0/0: the driver did not say), and deliver it as RGB24.
struct TV4L2Mode {
  uint32_t pixelFormat = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  TV4L2Fraction interval;
  bool operator==(const TV4L2Mode&) const = default;
};

// Whether frames in pixelFormat can be converted to RGB24 (the conversion library knows it).
bool V4L2FormatConvertible(uint32_t pixelFormat);

// The sizes offered for a range: the common camera sizes (160×120 up to 3840×2160) that lie
// inside it on its step grid, smallest first; when none does, the largest size on the grid.
std::vector<TV4L2FrameSize> CommonSizesInRange(const TV4L2SizeRange& range);

// One mode per (convertible pixel format, frame size), formats in the driver's order and each
// format's sizes in its order; the interval is the shortest one listed. Formats the conversion
// does not handle and sizes too large for a bitmap are left out.
std::vector<TV4L2Mode> ModesOf(const TV4L2DeviceDescription& description);

// Interval in units of 100 ns, rounded to the nearest; 0 for an unknown interval.
REFERENCE_TIME FrameTimeOf(const TV4L2Fraction& interval);

// Bytes of one row of a delivered bitmap (three bytes a pixel, padded to 4) and of a frame.
uint32_t RgbRowBytes(uint32_t width);
uint32_t RgbImageBytes(uint32_t width, uint32_t height);
