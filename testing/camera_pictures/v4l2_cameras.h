// Cameras for the V4L2 tests and benchmarks: pictures in 8-bit RGB made into what a camera
// sends (packed YUYV, or JPEG from the real encoder, libjpeg), the table a real camera reports,
// and emulated camera formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emulated_v4l2/emulated_driver.h"

struct RgbPicture {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;  // R, G, B per pixel, top row first

  const uint8_t* At(uint32_t x, uint32_t y) const { return &rgb[(size_t{y} * width + x) * 3]; }
};

// Eight vertical bars: white, yellow, cyan, green, magenta, red, blue, black at 75 % (white
// and black at full level).
RgbPicture ColourBars(uint32_t width, uint32_t height);
// Black with the top row white.
RgbPicture TopRowMarked(uint32_t width, uint32_t height);

// YUYV as the conversion library decodes it: luma over the full range, chroma with the
// library's coefficients (1.5 for red, 129/64 for blue, 3/8 and 6/8 for green), so a picture
// comes back within the rounding of its integer arithmetic; width must be even.
std::vector<uint8_t> ToYuyv(const RgbPicture& picture);
// A baseline JPEG with 4:2:2 chroma, as UVC cameras send in MJPEG.
std::vector<uint8_t> ToJpeg(const RgbPicture& picture, int quality = 90);

// The pixel (R, G, B) at x, y of a delivered bitmap: RGB24 rows bottom-up, padded to 4 bytes.
struct Rgb {
  int r, g, b;
};
Rgb DeliveredPixel(const std::vector<uint8_t>& bitmap, uint32_t width, uint32_t height, uint32_t x,
                   uint32_t y);

// What a common 720p UVC webcam reports (v4l2-ctl --list-formats-ext): YUYV with rates that
// fall as sizes grow, the same sizes in MJPEG at 30 frames a second, and H.264 it also offers.
TV4L2DeviceDescription RecordedUvcCamera();
// The formats of a description as an emulated node offers them.
std::vector<TEmulatedFormat> EmulatedFormats(const TV4L2DeviceDescription& description);

// One format of a camera node with the given discrete sizes, each at 30 and 15 frames a second.
TEmulatedFormat EmulatedFormat(uint32_t pixelFormat,
                               std::vector<std::pair<uint32_t, uint32_t>> sizes);
