// The streaming of a V4L2 capture device: sets its format, maps its buffers and runs the
// streaming thread, which waits with poll, dequeues a frame, converts it to a 24-bit RGB
// bitmap in the sink's buffer, hands it on and queues the buffer again.
//
// Threads: Prepare, Start, Stop and the destructor come from one controlling thread; the sink
// is called on the streaming thread only. Stop wakes the thread through an event descriptor
// and joins it before it touches the buffers, so it returns once no sink call runs any more,
// also while the driver holds every buffer.
#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/dshow/types.h"
#include "platform/dshow/v4l2/convert.h"
#include "platform/dshow/v4l2/device_access.h"
#include "platform/dshow/v4l2/formats.h"

class TV4L2FrameSink {
 public:
  virtual ~TV4L2FrameSink() = default;
  // Room for one converted frame of bytes bytes, or null to skip the frame.
  virtual uint8_t* BeginFrame(size_t bytes) = 0;
  // Ends what BeginFrame began: the frame is complete and timed, or it was dropped (short or
  // corrupt) and its buffer is to be given back unused.
  virtual void EndFrame(bool complete, REFERENCE_TIME start, REFERENCE_TIME end) = 0;
  // The device went away while streaming (ENODEV); the streaming thread ends after this.
  virtual void DeviceLost() = 0;
  // Streaming failed with an error of the driver (errno); the thread ends after this, so an
  // error is reported once.
  virtual void StreamFailed(int error) = 0;
};

// The result code for an errno of the driver: EBUSY is E_DEVICE_BUSY (another program holds
// the camera), ENODEV VFW_E_NO_CAPTURE_HARDWARE, ENOMEM E_OUTOFMEMORY, EINVAL
// VFW_E_TYPE_NOT_ACCEPTED, anything else E_DEVICE_FAILED.
HRESULT V4L2Result(int error);

// What the driver makes of mode (VIDIOC_TRY_FMT): the mode as it would set it, its interval
// kept. Fails with V4L2Result, or VFW_E_TYPE_NOT_ACCEPTED when it would deliver a pixel
// format that cannot be converted.
HRESULT TryV4L2Mode(const TV4L2Handle& device, const TV4L2Mode& mode, TV4L2Mode* actual);

class TV4L2Capture {
 public:
  // device must outlive the capture.
  explicit TV4L2Capture(const TV4L2Handle& device);
  ~TV4L2Capture();
  TV4L2Capture(const TV4L2Capture&) = delete;
  TV4L2Capture& operator=(const TV4L2Capture&) = delete;

  // Sets the device to mode (VIDIOC_S_FMT, then the frame interval as far as the driver
  // takes it), requests and maps the buffers. *actual: the mode the driver set, which may
  // differ in size. E_DEVICE_BUSY when another program holds the device.
  HRESULT Prepare(const TV4L2Mode& mode, TV4L2Mode* actual);
  // Queues every buffer, starts the stream and the streaming thread, which delivers to sink.
  HRESULT Start(TV4L2FrameSink* sink);
  // Ends the streaming thread (joined here), stops the stream, unmaps and frees the buffers.
  // Safe to call at any point, also after the device is gone, and from a sink call (the end
  // of the sink's owner in DeviceLost or StreamFailed): the thread is then left to return on
  // its own, touching nothing.
  void Stop();

  bool Streaming() const { return thread_.joinable(); }

 private:
  struct Buffer {
    void* address = nullptr;
    size_t length = 0;
  };

  void Loop(TV4L2FrameSink* sink);
  // One dequeued buffer: converted and handed to the sink, or dropped.
  void Deliver(TV4L2FrameSink* sink, const v4l2_buffer& buffer);
  void ReleaseBuffers();

  const TV4L2Handle& device_;
  std::unique_ptr<TV4L2Converter> converter_;
  v4l2_pix_format format_{};
  REFERENCE_TIME frameTime_ = 0;
  std::vector<Buffer> buffers_;
  bool requested_ = false;  // buffers requested from the driver (REQBUFS)
  bool streamOn_ = false;
  int wake_ = -1;  // event descriptor that ends the streaming thread's wait
  std::thread thread_;
  bool haveOrigin_ = false;  // streaming thread only: the first frame's time is the origin
  int64_t originUs_ = 0;
};
