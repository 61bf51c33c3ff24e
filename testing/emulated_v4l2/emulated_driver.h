// An emulated V4L2 driver behind the device-access seam, for tests and benchmarks: device
// nodes described by tables (a capture node, a metadata-only node beside it), the ioctls a
// capture source uses, answered as a UVC driver answers them (sizes adjusted to what the node
// offers, one owner of the buffer queue, EAGAIN from DQBUF while no frame is done), and the
// frames themselves released by the test one at a time. Faults are injected on request: any
// ioctl failing with a given errno, the device unplugged (ENODEV), a stream error (EIO).
//
// Descriptors are real event descriptors, readable while a frame waits to be dequeued or the
// device is in error, so poll(2) waits on them as on a device.
#pragma once

#include <linux/videodev2.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dshow/v4l2/device_access.h"
#include "platform/dshow/v4l2/formats.h"

struct TEmulatedFormat {
  uint32_t pixelFormat = 0;
  std::string name;
  // Discrete sizes with their discrete intervals ...
  std::vector<TV4L2FrameSize> sizes;
  // ... or a stepwise range (continuous when both steps are 1), every size in it having
  // rangeIntervals.
  std::optional<TV4L2SizeRange> range;
  std::vector<TV4L2Fraction> rangeIntervals;
  // Intervals reported as one continuous range from the first to the last listed.
  bool intervalRange = false;
};

struct TEmulatedNode {
  std::string path;  // "/dev/video0"
  std::string card;
  std::string driver = "uvcvideo";
  std::string busInfo;
  uint32_t capabilities = 0;  // the physical device's; V4L2_CAP_DEVICE_CAPS is added
  uint32_t deviceCaps = 0;    // this node's
  std::vector<TEmulatedFormat> formats;
  // After the usual adjustment of S_FMT and TRY_FMT: a driver's own idea of the format.
  std::function<void(v4l2_pix_format&)> quirk;
};

// A camera node as UVC makes one and the metadata node it puts beside it.
TEmulatedNode EmulatedCameraNode(std::string path, std::string card,
                                 std::vector<TEmulatedFormat> formats);
TEmulatedNode EmulatedMetadataNode(std::string path, std::string card);

class TV4L2EmulatedDriver : public TV4L2DeviceAccess {
 public:
  TV4L2EmulatedDriver();
  ~TV4L2EmulatedDriver() override;

  void AddNode(TEmulatedNode node);

  // The seam.
  std::vector<std::string> ListNodes() override;
  int Open(const std::string& path) override;
  int Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  void* Mmap(int fd, size_t length, off_t offset) override;
  int Munmap(void* address, size_t length) override;
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;

  // Fills the next queued buffer of the streaming node at path with bytes (as many as fit),
  // bytesused = bytes.size(), and marks it done. False when no buffer is queued (the frame
  // is lost, as with a camera whose buffers are all held). flags join V4L2_BUF_FLAG_DONE.
  bool ReleaseFrame(const std::string& path, const std::vector<uint8_t>& bytes, uint32_t flags = 0);
  // Waits until a buffer of path is queued and streaming is on (at most timeout).
  bool WaitForQueuedBuffer(const std::string& path, std::chrono::milliseconds timeout);

  // The next ioctl request on path fails with error (once per call of FailNext).
  void FailNext(const std::string& path, unsigned long request, int error);
  // The device disappears: every call on its descriptors fails with ENODEV, poll reports an
  // error, it is no longer listed and cannot be opened.
  void Unplug(const std::string& path);
  // From now on DQBUF fails with error and poll reports an error on the streaming node.
  void FailStream(const std::string& path, int error);

  // What the tests look at.
  int CallCount(const std::string& path, unsigned long request) const;
  int OpenDescriptors() const;
  int MappedBuffers() const;
  bool Streaming(const std::string& path) const;
  // The format last set with S_FMT and the interval with S_PARM.
  v4l2_pix_format Format(const std::string& path) const;
  TV4L2Fraction Interval(const std::string& path) const;

 private:
  struct Buffer;
  struct Node;
  struct File;

  Node* FindNode(const std::string& path) const;
  int Dispatch(int fd, Node& node, unsigned long request, void* arg);
  void Adjust(const Node& node, v4l2_pix_format& f) const;
  void FreeBuffers(Node& node);
  void UpdateReadiness(Node& node);

  mutable std::mutex m_;
  std::condition_variable queued_;
  std::vector<std::unique_ptr<Node>> nodes_;
  std::map<int, File> files_;  // by descriptor
};
