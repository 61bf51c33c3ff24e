// Frames of a V4L2 pixel format turned into 24-bit RGB bitmaps by the conversion library
// (libv4lconvert). The library reaches the device only through the device-access seam, so
// under the emulated driver of the tests it runs exactly as against a camera.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <vector>

#include "platform/dshow/v4l2/device_access.h"

struct v4lconvert_data;

class TV4L2Converter {
 public:
  // device must outlive the converter.
  explicit TV4L2Converter(const TV4L2Handle& device);
  ~TV4L2Converter();
  TV4L2Converter(const TV4L2Converter&) = delete;
  TV4L2Converter& operator=(const TV4L2Converter&) = delete;

  // False when the library could not be set up for the device.
  bool Valid() const { return data_ != nullptr; }

  // The frames that follow are in source (as VIDIOC_S_FMT returned it).
  void SetSource(const v4l2_pix_format& source);

  // Converts one frame of bytesUsed bytes into dest: RgbRowBytes(width) per row, bottom row
  // first, padding zero. False, with dest not to be used, for a frame that is short (fewer
  // bytes than an uncompressed frame needs), a JPEG frame without its image data or its end,
  // or one the library cannot decode. Streaming thread.
  bool Convert(const uint8_t* frame, size_t bytesUsed, uint8_t* dest, size_t destBytes);

 private:
  bool Plausible(const uint8_t* frame, size_t bytesUsed) const;

  v4lconvert_data* data_ = nullptr;
  v4l2_pix_format source_{};
  std::vector<uint8_t> scratch_;  // top-down packed rows as the library writes them
};
