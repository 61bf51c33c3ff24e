// The only way the V4L2 source reaches a camera: list the device nodes, open, close, ioctl,
// mmap, munmap and poll, with the kernel's calling conventions (−1 or MAP_FAILED with errno).
// The program uses the system's calls (MakeSystemV4L2Access); tests put an emulated driver
// behind the same interface, so the code above it runs unchanged against both.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TV4L2DeviceAccess {
 public:
  virtual ~TV4L2DeviceAccess() = default;

  // The paths of the video device nodes present now, in no particular order.
  virtual std::vector<std::string> ListNodes() = 0;
  // Opens path for reading and writing without blocking; only a character device opens
  // (anything else: −1 with ENODEV). The descriptor is an ordinary one that poll understands.
  virtual int Open(const std::string& path) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  // A shared read/write mapping of length bytes at offset of the device.
  virtual void* Mmap(int fd, size_t length, off_t offset) = 0;
  virtual int Munmap(void* address, size_t length) = 0;
  // poll(2) over descriptors of this access and plain ones (a wake-up descriptor).
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
};

// The kernel's V4L2 devices under /dev (video0, video1 ...).
std::shared_ptr<TV4L2DeviceAccess> MakeSystemV4L2Access();

// An open device node, closed when the holder goes.
class TV4L2Handle {
 public:
  TV4L2Handle() = default;
  TV4L2Handle(std::shared_ptr<TV4L2DeviceAccess> access, int fd)
      : access_(std::move(access)), fd_(fd) {}
  TV4L2Handle(TV4L2Handle&& other) noexcept
      : access_(std::move(other.access_)), fd_(std::exchange(other.fd_, -1)) {}
  TV4L2Handle& operator=(TV4L2Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      access_ = std::move(other.access_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~TV4L2Handle() { Reset(); }

  // Opens path through access; check Valid() (errno tells why not).
  static TV4L2Handle Open(std::shared_ptr<TV4L2DeviceAccess> access, const std::string& path) {
    const int fd = access->Open(path);
    return TV4L2Handle(std::move(access), fd);
  }

  bool Valid() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  TV4L2DeviceAccess& Access() const { return *access_; }
  const std::shared_ptr<TV4L2DeviceAccess>& SharedAccess() const { return access_; }
  int Ioctl(unsigned long request, void* arg) const { return access_->Ioctl(fd_, request, arg); }

  void Reset() {
    if (fd_ >= 0) access_->Close(fd_);
    fd_ = -1;
  }

 private:
  std::shared_ptr<TV4L2DeviceAccess> access_;
  int fd_ = -1;
};
