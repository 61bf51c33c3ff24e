#include "platform/dshow/v4l2/convert.h"

#include <libv4l-plugin.h>
#include <libv4lconvert.h>

#include <cerrno>
#include <cstring>

#include "platform/dshow/v4l2/formats.h"

namespace {

// The library's calls to the device, routed through the seam; priv is the access.
int SeamIoctl(void* priv, int fd, unsigned long request, void* arg) {
  return static_cast<TV4L2DeviceAccess*>(priv)->Ioctl(fd, request, arg);
}
void* SeamInit(int) { return nullptr; }
void SeamClose(void*) {}
// Frames come from mapped buffers only; the read and write paths are never used.
ssize_t SeamRead(void*, int, void*, size_t) {
  errno = ENOSYS;
  return -1;
}
ssize_t SeamWrite(void*, int, const void*, size_t) {
  errno = ENOSYS;
  return -1;
}

constexpr libv4l_dev_ops kSeamOps = {SeamInit, SeamClose, SeamIoctl, SeamRead, SeamWrite, nullptr,
                                     nullptr,  nullptr,   nullptr,   nullptr,  nullptr,   nullptr};

bool IsJpeg(uint32_t pixelFormat) {
  return pixelFormat == V4L2_PIX_FMT_MJPEG || pixelFormat == V4L2_PIX_FMT_JPEG;
}

// The first two-byte marker ff xx at or after from, or size when none.
size_t FindMarker(const uint8_t* data, size_t from, size_t size, uint8_t code) {
  while (from + 1 < size) {
    const void* ff = std::memchr(data + from, 0xFF, size - from - 1);
    if (!ff) break;
    const size_t at = static_cast<size_t>(static_cast<const uint8_t*>(ff) - data);
    if (data[at + 1] == code) return at;
    from = at + 1;
  }
  return size;
}

}  // namespace

TV4L2Converter::TV4L2Converter(const TV4L2Handle& device)
    : data_(v4lconvert_create_with_dev_ops(device.Fd(), &device.Access(), &kSeamOps)) {}

TV4L2Converter::~TV4L2Converter() {
  if (data_) v4lconvert_destroy(data_);
}

void TV4L2Converter::SetSource(const v4l2_pix_format& source) {
  source_ = source;
  scratch_.resize(size_t{source.width} * source.height * 3);
}

bool TV4L2Converter::Plausible(const uint8_t* frame, size_t bytesUsed) const {
  if (!IsJpeg(source_.pixelformat)) return bytesUsed >= source_.sizeimage && bytesUsed > 0;
  // A JPEG frame starts with its start-of-image marker and, after its scan header, has an
  // end-of-image marker (cameras may pad behind it). Inside the coded data a 0xFF byte is
  // always followed by 0x00 or a restart code, so the end marker cannot occur early.
  if (bytesUsed < 4 || frame[0] != 0xFF || frame[1] != 0xD8) return false;
  const size_t scan = FindMarker(frame, 2, bytesUsed, 0xDA);
  return scan < bytesUsed && FindMarker(frame, scan + 2, bytesUsed, 0xD9) < bytesUsed;
}

bool TV4L2Converter::Convert(const uint8_t* frame, size_t bytesUsed, uint8_t* dest,
                             size_t destBytes) {
  const uint32_t width = source_.width, height = source_.height;
  const size_t row = RgbRowBytes(width);
  if (!data_ || !frame || width == 0 || height == 0 || destBytes < row * height) return false;
  if (!Plausible(frame, bytesUsed)) return false;

  v4l2_format src{};
  src.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  src.fmt.pix = source_;
  v4l2_format dst{};
  dst.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  dst.fmt.pix.width = width;
  dst.fmt.pix.height = height;
  dst.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;  // B, G, R in memory: a 24-bit bitmap's order
  dst.fmt.pix.field = V4L2_FIELD_NONE;
  dst.fmt.pix.bytesperline = width * 3;
  dst.fmt.pix.sizeimage = static_cast<uint32_t>(scratch_.size());
  // The library takes a writable source pointer; it does not write through it.
  const int n = v4lconvert_convert(data_, &src, &dst, const_cast<uint8_t*>(frame),
                                   static_cast<int>(bytesUsed), scratch_.data(),
                                   static_cast<int>(scratch_.size()));
  if (n < 0 || static_cast<size_t>(n) < scratch_.size()) return false;

  // The library writes the top row first; the bitmap holds the bottom row first.
  const size_t packed = size_t{width} * 3;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* out = dest + (height - 1 - y) * row;
    std::memcpy(out, scratch_.data() + y * packed, packed);
    if (row > packed) std::memset(out + packed, 0, row - packed);
  }
  return true;
}
