#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/dshow/v4l2/device_access.h"

namespace {

// "video" followed by digits only: the capture, output and metadata nodes of V4L2 drivers.
bool IsVideoNodeName(const char* name) {
  if (std::strncmp(name, "video", 5) != 0 || name[5] == '\0') return false;
  for (const char* p = name + 5; *p; ++p)
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
  return true;
}

class SystemAccess : public TV4L2DeviceAccess {
 public:
  std::vector<std::string> ListNodes() override {
    std::vector<std::string> nodes;
    DIR* dir = opendir("/dev");
    if (!dir) return nodes;
    while (const dirent* entry = readdir(dir))
      if (IsVideoNodeName(entry->d_name)) nodes.push_back(std::string("/dev/") + entry->d_name);
    closedir(dir);
    return nodes;
  }

  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    // Checked on the open descriptor, so the node cannot be swapped in between.
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
      ::close(fd);
      errno = ENODEV;
      return -1;
    }
    return fd;
  }

  int Close(int fd) override { return ::close(fd); }

  int Ioctl(int fd, unsigned long request, void* arg) override {
    int r;
    do r = ::ioctl(fd, request, arg);
    while (r < 0 && errno == EINTR);
    return r;
  }

  void* Mmap(int fd, size_t length, off_t offset) override {
    return ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
  }

  int Munmap(void* address, size_t length) override { return ::munmap(address, length); }

  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    return ::poll(fds, count, timeoutMs);
  }
};

}  // namespace

std::shared_ptr<TV4L2DeviceAccess> MakeSystemV4L2Access() {
  return std::make_shared<SystemAccess>();
}
