#include "platform/dshow/v4l2/capture.h"

#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "platform/win/cpu.h"

namespace {

// Buffers asked of the driver: enough to keep a camera busy while one frame is converted.
constexpr uint32_t kBufferCount = 4;

v4l2_format PixFormatOf(const TV4L2Mode& mode) {
  v4l2_format f{};
  f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  f.fmt.pix.width = mode.width;
  f.fmt.pix.height = mode.height;
  f.fmt.pix.pixelformat = mode.pixelFormat;
  f.fmt.pix.field = V4L2_FIELD_NONE;
  return f;
}

// The mode the driver answered with; false when it named a format we cannot convert.
bool ModeOf(const v4l2_format& f, const TV4L2Fraction& interval, TV4L2Mode* mode) {
  if (!V4L2FormatConvertible(f.fmt.pix.pixelformat)) return false;
  *mode = {f.fmt.pix.pixelformat, f.fmt.pix.width, f.fmt.pix.height, interval};
  return true;
}

}  // namespace

HRESULT V4L2Result(int error) {
  switch (error) {
    case EBUSY:
      return E_DEVICE_BUSY;
    case ENODEV:
    case ENXIO:
      return VFW_E_NO_CAPTURE_HARDWARE;
    case ENOMEM:
      return E_OUTOFMEMORY;
    case EINVAL:
      return VFW_E_TYPE_NOT_ACCEPTED;
    default:
      return E_DEVICE_FAILED;
  }
}

HRESULT TryV4L2Mode(const TV4L2Handle& device, const TV4L2Mode& mode, TV4L2Mode* actual) {
  v4l2_format f = PixFormatOf(mode);
  if (device.Ioctl(VIDIOC_TRY_FMT, &f) != 0) return V4L2Result(errno);
  return ModeOf(f, mode.interval, actual) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

TV4L2Capture::TV4L2Capture(const TV4L2Handle& device) : device_(device) {}

TV4L2Capture::~TV4L2Capture() { Stop(); }

HRESULT TV4L2Capture::Prepare(const TV4L2Mode& mode, TV4L2Mode* actual) {
  Stop();
  v4l2_format f = PixFormatOf(mode);
  if (device_.Ioctl(VIDIOC_S_FMT, &f) != 0) return V4L2Result(errno);
  if (!ModeOf(f, mode.interval, actual)) return VFW_E_TYPE_NOT_ACCEPTED;
  format_ = f.fmt.pix;

  // The frame interval is a wish: drivers that cannot set it keep their own.
  if (mode.interval.denominator != 0) {
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe = {mode.interval.numerator, mode.interval.denominator};
    if (device_.Ioctl(VIDIOC_S_PARM, &parm) == 0 &&
        (parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME))
      actual->interval = {parm.parm.capture.timeperframe.numerator,
                          parm.parm.capture.timeperframe.denominator};
  }
  frameTime_ = FrameTimeOf(actual->interval);

  if (!converter_) converter_ = std::make_unique<TV4L2Converter>(device_);
  if (!converter_->Valid()) return E_FAIL;
  converter_->SetSource(format_);

  v4l2_requestbuffers req{};
  req.count = kBufferCount;
  req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  req.memory = V4L2_MEMORY_MMAP;
  if (device_.Ioctl(VIDIOC_REQBUFS, &req) != 0) return V4L2Result(errno);
  requested_ = true;
  if (req.count == 0) {
    ReleaseBuffers();
    return E_OUTOFMEMORY;
  }
  for (uint32_t i = 0; i < req.count; ++i) {
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    b.index = i;
    if (device_.Ioctl(VIDIOC_QUERYBUF, &b) != 0) {
      const int error = errno;
      ReleaseBuffers();
      return V4L2Result(error);
    }
    void* address = device_.Access().Mmap(device_.Fd(), b.length, b.m.offset);
    if (address == MAP_FAILED) {
      const int error = errno;
      ReleaseBuffers();
      return V4L2Result(error);
    }
    buffers_.push_back({address, b.length});
  }
  return S_OK;
}

HRESULT TV4L2Capture::Start(TV4L2FrameSink* sink) {
  if (buffers_.empty() || thread_.joinable()) return VFW_E_WRONG_STATE;
  for (uint32_t i = 0; i < buffers_.size(); ++i) {
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    b.index = i;
    if (device_.Ioctl(VIDIOC_QBUF, &b) != 0) return V4L2Result(errno);
  }
  v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (device_.Ioctl(VIDIOC_STREAMON, &type) != 0) return V4L2Result(errno);
  streamOn_ = true;
  wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) return E_OUTOFMEMORY;
  haveOrigin_ = false;
  thread_ = std::thread([this, sink] {
    ClearUpperVectorState();
    Loop(sink);
  });
  return S_OK;
}

void TV4L2Capture::Stop() {
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      // Called from the sink on the streaming thread, which returns right after the call.
      thread_.detach();
    } else {
      const uint64_t one = 1;
      // An eventfd write of 8 bytes cannot be short; it only fails at a counter overflow.
      [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
      thread_.join();
    }
  }
  if (wake_ >= 0) close(wake_);
  wake_ = -1;
  if (streamOn_) {
    // Fails harmlessly when the device is gone; the buffers are let go all the same.
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    device_.Ioctl(VIDIOC_STREAMOFF, &type);
    streamOn_ = false;
  }
  ReleaseBuffers();
}

void TV4L2Capture::ReleaseBuffers() {
  for (const Buffer& b : buffers_) device_.Access().Munmap(b.address, b.length);
  buffers_.clear();
  if (requested_) {
    v4l2_requestbuffers req{};
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    device_.Ioctl(VIDIOC_REQBUFS, &req);
    requested_ = false;
  }
}

void TV4L2Capture::Loop(TV4L2FrameSink* sink) {
  for (;;) {
    pollfd fds[2] = {{device_.Fd(), POLLIN, 0}, {wake_, POLLIN, 0}};
    if (device_.Access().Poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      sink->StreamFailed(errno);
      return;
    }
    if (fds[1].revents) return;  // Stop
    if (!fds[0].revents) continue;

    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    if (device_.Ioctl(VIDIOC_DQBUF, &b) != 0) {
      const int error = errno;
      // Readable but nothing to take: a spurious wake-up, unless poll reported an error,
      // which would only repeat.
      if (error == EAGAIN && !(fds[0].revents & (POLLERR | POLLHUP))) continue;
      if (error == ENODEV || error == ENXIO)
        sink->DeviceLost();
      else
        sink->StreamFailed(error == EAGAIN ? EIO : error);
      return;
    }
    if (b.index < buffers_.size()) Deliver(sink, b);
    if (device_.Ioctl(VIDIOC_QBUF, &b) != 0) {
      const int error = errno;
      if (error == ENODEV || error == ENXIO)
        sink->DeviceLost();
      else
        sink->StreamFailed(error);
      return;
    }
  }
}

void TV4L2Capture::Deliver(TV4L2FrameSink* sink, const v4l2_buffer& b) {
  const Buffer& buffer = buffers_[b.index];
  const size_t used = std::min<size_t>(b.bytesused, buffer.length);
  const size_t bytes = RgbImageBytes(format_.width, format_.height);
  uint8_t* dest = sink->BeginFrame(bytes);
  if (!dest) return;
  // A buffer the driver marks as damaged is dropped like a short one.
  const bool complete =
      !(b.flags & V4L2_BUF_FLAG_ERROR) &&
      converter_->Convert(static_cast<const uint8_t*>(buffer.address), used, dest, bytes);
  const int64_t us = int64_t{b.timestamp.tv_sec} * 1000000 + b.timestamp.tv_usec;
  if (!haveOrigin_) {
    haveOrigin_ = true;
    originUs_ = us;
  }
  const REFERENCE_TIME start = (us - originUs_) * 10;
  sink->EndFrame(complete, start, start + frameTime_);
}
