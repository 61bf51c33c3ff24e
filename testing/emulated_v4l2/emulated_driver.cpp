#include "emulated_v4l2/emulated_driver.h"

#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>

namespace {

constexpr uint32_t kMinBuffers = 2;
constexpr uint32_t kMaxBuffers = 8;
// Buffer i is mapped at offset i × this (page aligned, like the cookies drivers hand out).
constexpr uint32_t kOffsetStep = 1u << 20;

template <size_t N>
void CopyText(uint8_t (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

bool IsCompressed(uint32_t pixelFormat) {
  return pixelFormat == V4L2_PIX_FMT_MJPEG || pixelFormat == V4L2_PIX_FMT_JPEG;
}

// Line and image bytes as drivers compute them for the formats a test uses.
void FillBytes(v4l2_pix_format& f) {
  const uint32_t w = f.width, h = f.height;
  switch (f.pixelformat) {
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
      f.bytesperline = 0;
      f.sizeimage = w * h * 2 + 16384;  // an upper bound for one frame with its headers
      return;
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420:
      f.bytesperline = w;
      f.sizeimage = w * h * 3 / 2;
      return;
    case V4L2_PIX_FMT_GREY:
      f.bytesperline = w;
      break;
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_BGR24:
      f.bytesperline = w * 3;
      break;
    case V4L2_PIX_FMT_RGB32:
    case V4L2_PIX_FMT_BGR32:
    case V4L2_PIX_FMT_XRGB32:
      f.bytesperline = w * 4;
      break;
    default:
      f.bytesperline = w * 2;
      break;
  }
  f.sizeimage = f.bytesperline * h;
}

uint32_t Clamp(uint32_t v, uint32_t lo, uint32_t hi, uint32_t step) {
  v = std::clamp(v, lo, hi);
  return lo + (v - lo) / std::max<uint32_t>(step, 1) * std::max<uint32_t>(step, 1);
}

bool OnRange(const TV4L2SizeRange& r, uint32_t w, uint32_t h) {
  return Clamp(w, r.minWidth, r.maxWidth, r.stepWidth) == w &&
         Clamp(h, r.minHeight, r.maxHeight, r.stepHeight) == h;
}

}  // namespace

struct TV4L2EmulatedDriver::Buffer {
  std::vector<uint8_t> memory;
  enum { Dequeued, Queued, Done } state = Dequeued;
  uint32_t bytesused = 0;
  uint32_t flags = 0;
  uint32_t sequence = 0;
  timeval timestamp{};
  int mappings = 0;
};

struct TV4L2EmulatedDriver::Node {
  TEmulatedNode desc;
  bool unplugged = false;
  int streamError = 0;
  v4l2_pix_format format{};
  TV4L2Fraction interval;
  int owner = -1;  // the descriptor that owns the buffer queue
  bool streaming = false;
  std::vector<Buffer> buffers;
  std::deque<uint32_t> queued, done;
  uint32_t sequence = 0;
  std::multimap<unsigned long, int> failNext;
  std::map<unsigned long, int> calls;

  const TEmulatedFormat* FindFormat(uint32_t pixelFormat) const {
    for (const TEmulatedFormat& f : desc.formats)
      if (f.pixelFormat == pixelFormat) return &f;
    return nullptr;
  }
  bool Captures() const { return desc.deviceCaps & V4L2_CAP_VIDEO_CAPTURE; }
};

struct TV4L2EmulatedDriver::File {
  Node* node = nullptr;
  bool readable = false;
};

TEmulatedNode EmulatedCameraNode(std::string path, std::string card,
                                 std::vector<TEmulatedFormat> formats) {
  TEmulatedNode n;
  n.path = std::move(path);
  n.card = std::move(card);
  n.busInfo = "usb-0000:00:14.0-1";
  n.capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  n.deviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
  n.formats = std::move(formats);
  return n;
}

TEmulatedNode EmulatedMetadataNode(std::string path, std::string card) {
  TEmulatedNode n = EmulatedCameraNode(std::move(path), std::move(card), {});
  n.deviceCaps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  return n;
}

TV4L2EmulatedDriver::TV4L2EmulatedDriver() = default;

TV4L2EmulatedDriver::~TV4L2EmulatedDriver() {
  for (const auto& [fd, file] : files_) ::close(fd);
}

void TV4L2EmulatedDriver::AddNode(TEmulatedNode desc) {
  std::lock_guard lk(m_);
  auto node = std::make_unique<Node>();
  node->desc = std::move(desc);
  // The format at power-up: the first size of the first format.
  if (!node->desc.formats.empty()) {
    const TEmulatedFormat& f = node->desc.formats.front();
    node->format.pixelformat = f.pixelFormat;
    if (!f.sizes.empty()) {
      node->format.width = f.sizes.front().width;
      node->format.height = f.sizes.front().height;
      if (!f.sizes.front().intervals.empty()) node->interval = f.sizes.front().intervals.front();
    } else if (f.range) {
      node->format.width = f.range->maxWidth;
      node->format.height = f.range->maxHeight;
    }
    node->format.field = V4L2_FIELD_NONE;
    node->format.colorspace = V4L2_COLORSPACE_SRGB;
    FillBytes(node->format);
  }
  nodes_.push_back(std::move(node));
}

TV4L2EmulatedDriver::Node* TV4L2EmulatedDriver::FindNode(const std::string& path) const {
  for (const auto& n : nodes_)
    if (n->desc.path == path) return n.get();
  return nullptr;
}

std::vector<std::string> TV4L2EmulatedDriver::ListNodes() {
  std::lock_guard lk(m_);
  std::vector<std::string> paths;
  // Newest first: callers must not depend on the order of the directory.
  for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it)
    if (!(*it)->unplugged) paths.push_back((*it)->desc.path);
  return paths;
}

int TV4L2EmulatedDriver::Open(const std::string& path) {
  std::lock_guard lk(m_);
  Node* node = FindNode(path);
  if (!node || node->unplugged) {
    errno = ENOENT;
    return -1;
  }
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return -1;
  files_[fd] = File{node, false};
  UpdateReadiness(*node);
  return fd;
}

int TV4L2EmulatedDriver::Close(int fd) {
  std::lock_guard lk(m_);
  auto it = files_.find(fd);
  if (it == files_.end()) {
    errno = EBADF;
    return -1;
  }
  Node& node = *it->second.node;
  files_.erase(it);
  ::close(fd);
  if (node.owner == fd) {
    node.streaming = false;
    node.owner = -1;
    FreeBuffers(node);
  }
  return 0;
}

void TV4L2EmulatedDriver::FreeBuffers(Node& node) {
  node.queued.clear();
  node.done.clear();
  // Mapped memory stays until it is unmapped, as the kernel keeps it.
  const bool mapped = std::any_of(node.buffers.begin(), node.buffers.end(),
                                  [](const Buffer& b) { return b.mappings > 0; });
  if (!mapped) node.buffers.clear();
}

void TV4L2EmulatedDriver::UpdateReadiness(Node& node) {
  for (auto& [fd, file] : files_) {
    if (file.node != &node) continue;
    const bool owner = node.owner == fd;
    const bool readable =
        node.unplugged || (owner && node.streaming && (node.streamError || !node.done.empty()));
    if (readable == file.readable) continue;
    file.readable = readable;
    uint64_t value = 1;
    if (readable) {
      [[maybe_unused]] ssize_t n = ::write(fd, &value, sizeof value);
    } else {
      [[maybe_unused]] ssize_t n = ::read(fd, &value, sizeof value);
    }
  }
}

void TV4L2EmulatedDriver::Adjust(const Node& node, v4l2_pix_format& f) const {
  const TEmulatedFormat* format = node.FindFormat(f.pixelformat);
  if (!format) format = &node.desc.formats.front();
  f.pixelformat = format->pixelFormat;
  if (format->range) {
    const TV4L2SizeRange& r = *format->range;
    f.width = Clamp(f.width, r.minWidth, r.maxWidth, r.stepWidth);
    f.height = Clamp(f.height, r.minHeight, r.maxHeight, r.stepHeight);
  } else if (!format->sizes.empty()) {
    // The listed size nearest to the wish.
    const TV4L2FrameSize* best = &format->sizes.front();
    uint64_t bestDistance = UINT64_MAX;
    for (const TV4L2FrameSize& s : format->sizes) {
      const uint64_t d = uint64_t(std::abs(int64_t{s.width} - f.width)) +
                         uint64_t(std::abs(int64_t{s.height} - f.height));
      if (d < bestDistance) {
        bestDistance = d;
        best = &s;
      }
    }
    f.width = best->width;
    f.height = best->height;
  }
  f.field = V4L2_FIELD_NONE;
  f.colorspace = V4L2_COLORSPACE_SRGB;
  if (node.desc.quirk) node.desc.quirk(f);
  FillBytes(f);
}

int TV4L2EmulatedDriver::Ioctl(int fd, unsigned long request, void* arg) {
  std::lock_guard lk(m_);
  auto it = files_.find(fd);
  if (it == files_.end()) {
    errno = EBADF;
    return -1;
  }
  Node& node = *it->second.node;
  ++node.calls[request];
  int error = 0;
  if (node.unplugged) {
    error = ENODEV;
  } else if (auto fail = node.failNext.find(request); fail != node.failNext.end()) {
    error = fail->second;
    node.failNext.erase(fail);
  } else {
    error = Dispatch(fd, node, request, arg);
  }
  UpdateReadiness(node);
  if (error) {
    errno = error;
    return -1;
  }
  return 0;
}

int TV4L2EmulatedDriver::Dispatch(int fd, Node& node, unsigned long request, void* arg) {
  const bool otherOwner = node.owner != -1 && node.owner != fd;

  if (request == VIDIOC_QUERYCAP) {
    auto* cap = static_cast<v4l2_capability*>(arg);
    *cap = {};
    CopyText(cap->driver, node.desc.driver);
    CopyText(cap->card, node.desc.card);
    CopyText(cap->bus_info, node.desc.busInfo);
    cap->version = 0x060100;
    cap->capabilities = node.desc.capabilities | V4L2_CAP_DEVICE_CAPS;
    cap->device_caps = node.desc.deviceCaps;
    return 0;
  }
  if (!node.Captures() || node.desc.formats.empty()) return ENOTTY;

  switch (request) {
    case VIDIOC_ENUM_FMT: {
      auto* d = static_cast<v4l2_fmtdesc*>(arg);
      if (d->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || d->index >= node.desc.formats.size())
        return EINVAL;
      const TEmulatedFormat& f = node.desc.formats[d->index];
      const uint32_t index = d->index;
      *d = {};
      d->index = index;
      d->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      d->pixelformat = f.pixelFormat;
      d->flags = IsCompressed(f.pixelFormat) ? V4L2_FMT_FLAG_COMPRESSED : 0;
      CopyText(d->description, f.name);
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto* e = static_cast<v4l2_frmsizeenum*>(arg);
      const TEmulatedFormat* f = node.FindFormat(e->pixel_format);
      if (!f) return EINVAL;
      if (f->range) {
        if (e->index != 0) return EINVAL;
        const TV4L2SizeRange& r = *f->range;
        e->type = r.stepWidth == 1 && r.stepHeight == 1 ? V4L2_FRMSIZE_TYPE_CONTINUOUS
                                                        : V4L2_FRMSIZE_TYPE_STEPWISE;
        e->stepwise = {r.minWidth, r.maxWidth, r.stepWidth, r.minHeight, r.maxHeight, r.stepHeight};
        return 0;
      }
      if (e->index >= f->sizes.size()) return EINVAL;
      e->type = V4L2_FRMSIZE_TYPE_DISCRETE;
      e->discrete = {f->sizes[e->index].width, f->sizes[e->index].height};
      return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
      auto* e = static_cast<v4l2_frmivalenum*>(arg);
      const TEmulatedFormat* f = node.FindFormat(e->pixel_format);
      if (!f) return EINVAL;
      const std::vector<TV4L2Fraction>* intervals = nullptr;
      if (f->range) {
        if (OnRange(*f->range, e->width, e->height)) intervals = &f->rangeIntervals;
      } else {
        for (const TV4L2FrameSize& s : f->sizes)
          if (s.width == e->width && s.height == e->height) intervals = &s.intervals;
      }
      if (!intervals || intervals->empty()) return EINVAL;
      if (f->intervalRange) {
        if (e->index != 0) return EINVAL;
        e->type = V4L2_FRMIVAL_TYPE_CONTINUOUS;
        e->stepwise.min = {intervals->front().numerator, intervals->front().denominator};
        e->stepwise.max = {intervals->back().numerator, intervals->back().denominator};
        e->stepwise.step = {1, 1};
        return 0;
      }
      if (e->index >= intervals->size()) return EINVAL;
      e->type = V4L2_FRMIVAL_TYPE_DISCRETE;
      e->discrete = {(*intervals)[e->index].numerator, (*intervals)[e->index].denominator};
      return 0;
    }
    case VIDIOC_G_FMT: {
      auto* f = static_cast<v4l2_format*>(arg);
      if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
      f->fmt.pix = node.format;
      return 0;
    }
    case VIDIOC_TRY_FMT:
    case VIDIOC_S_FMT: {
      auto* f = static_cast<v4l2_format*>(arg);
      if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
      if (request == VIDIOC_S_FMT && (otherOwner || !node.buffers.empty())) return EBUSY;
      Adjust(node, f->fmt.pix);
      if (request == VIDIOC_S_FMT) node.format = f->fmt.pix;
      return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
      auto* p = static_cast<v4l2_streamparm*>(arg);
      if (p->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
      if (request == VIDIOC_S_PARM) {
        if (otherOwner) return EBUSY;
        node.interval = {p->parm.capture.timeperframe.numerator,
                         p->parm.capture.timeperframe.denominator};
      }
      p->parm.capture = {};
      p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
      p->parm.capture.timeperframe = {node.interval.numerator, node.interval.denominator};
      return 0;
    }
    case VIDIOC_REQBUFS: {
      auto* r = static_cast<v4l2_requestbuffers*>(arg);
      if (r->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || r->memory != V4L2_MEMORY_MMAP) return EINVAL;
      if (otherOwner || node.streaming) return EBUSY;
      if (std::any_of(node.buffers.begin(), node.buffers.end(),
                      [](const Buffer& b) { return b.mappings > 0; }))
        return EBUSY;
      node.buffers.clear();
      node.queued.clear();
      node.done.clear();
      if (r->count == 0) {
        node.owner = -1;
        return 0;
      }
      r->count = std::clamp(r->count, kMinBuffers, kMaxBuffers);
      node.buffers.resize(r->count);
      for (Buffer& b : node.buffers) b.memory.assign(node.format.sizeimage, 0);
      node.owner = fd;
      return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF:
    case VIDIOC_DQBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || b->memory != V4L2_MEMORY_MMAP) return EINVAL;
      if (otherOwner) return EBUSY;
      if (request == VIDIOC_DQBUF) {
        if (node.streamError) return node.streamError;
        if (!node.streaming) return EINVAL;
        if (node.done.empty()) return EAGAIN;
        b->index = node.done.front();
        node.done.pop_front();
      }
      if (b->index >= node.buffers.size()) return EINVAL;
      Buffer& buffer = node.buffers[b->index];
      if (request == VIDIOC_QBUF) {
        if (buffer.state != Buffer::Dequeued) return EINVAL;
        buffer.state = Buffer::Queued;
        node.queued.push_back(b->index);
        queued_.notify_all();
      } else if (request == VIDIOC_DQBUF) {
        buffer.state = Buffer::Dequeued;
      }
      b->length = static_cast<uint32_t>(buffer.memory.size());
      b->m.offset = b->index * kOffsetStep;
      b->bytesused = request == VIDIOC_DQBUF ? buffer.bytesused : 0;
      b->flags = (buffer.mappings ? V4L2_BUF_FLAG_MAPPED : 0) |
                 (buffer.state == Buffer::Queued ? V4L2_BUF_FLAG_QUEUED : 0) |
                 (request == VIDIOC_DQBUF ? V4L2_BUF_FLAG_DONE | buffer.flags : 0) |
                 V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
      b->field = V4L2_FIELD_NONE;
      b->sequence = buffer.sequence;
      b->timestamp = buffer.timestamp;
      return 0;
    }
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF: {
      if (*static_cast<const int*>(arg) != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
      if (otherOwner) return EBUSY;
      if (request == VIDIOC_STREAMON) {
        if (node.buffers.empty()) return EINVAL;
        node.streaming = true;
        return 0;
      }
      node.streaming = false;
      node.queued.clear();
      node.done.clear();
      for (Buffer& b : node.buffers) b.state = Buffer::Dequeued;
      return 0;
    }
    default:
      return ENOTTY;
  }
}

void* TV4L2EmulatedDriver::Mmap(int fd, size_t length, off_t offset) {
  std::lock_guard lk(m_);
  auto it = files_.find(fd);
  if (it == files_.end()) {
    errno = EBADF;
    return MAP_FAILED;
  }
  Node& node = *it->second.node;
  if (node.unplugged) {
    errno = ENODEV;
    return MAP_FAILED;
  }
  const size_t index = static_cast<size_t>(offset) / kOffsetStep;
  if (offset % kOffsetStep != 0 || index >= node.buffers.size() ||
      length > node.buffers[index].memory.size() || length == 0) {
    errno = EINVAL;
    return MAP_FAILED;
  }
  ++node.buffers[index].mappings;
  return node.buffers[index].memory.data();
}

int TV4L2EmulatedDriver::Munmap(void* address, size_t) {
  std::lock_guard lk(m_);
  for (const auto& node : nodes_)
    for (Buffer& b : node->buffers)
      if (b.memory.data() == address && b.mappings > 0) {
        --b.mappings;
        if (node->owner == -1) FreeBuffers(*node);
        return 0;
      }
  errno = EINVAL;
  return -1;
}

int TV4L2EmulatedDriver::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
  int r = ::poll(fds, count, timeoutMs);
  if (r < 0) return r;
  std::lock_guard lk(m_);
  r = 0;
  for (nfds_t i = 0; i < count; ++i) {
    auto it = files_.find(fds[i].fd);
    if (it != files_.end()) {
      const Node& node = *it->second.node;
      if (node.unplugged) fds[i].revents |= POLLERR | POLLHUP;
      if (node.owner == fds[i].fd && node.streaming && node.streamError) fds[i].revents |= POLLERR;
    }
    if (fds[i].revents) ++r;
  }
  return r;
}

bool TV4L2EmulatedDriver::ReleaseFrame(const std::string& path, const std::vector<uint8_t>& bytes,
                                       uint32_t flags) {
  std::lock_guard lk(m_);
  Node* node = FindNode(path);
  if (!node || !node->streaming || node->queued.empty()) return false;
  const uint32_t index = node->queued.front();
  node->queued.pop_front();
  Buffer& b = node->buffers[index];
  const size_t n = std::min(bytes.size(), b.memory.size());
  std::copy_n(bytes.begin(), n, b.memory.begin());
  b.bytesused = static_cast<uint32_t>(n);
  b.flags = flags;
  b.sequence = node->sequence++;
  // Frames follow each other at the set interval (1/30 s when none is set).
  const TV4L2Fraction iv = node->interval.denominator ? node->interval : TV4L2Fraction{1, 30};
  const uint64_t us = uint64_t{b.sequence} * iv.numerator * 1000000 / iv.denominator;
  b.timestamp = {static_cast<time_t>(us / 1000000), static_cast<suseconds_t>(us % 1000000)};
  b.state = Buffer::Done;
  node->done.push_back(index);
  UpdateReadiness(*node);
  return true;
}

bool TV4L2EmulatedDriver::WaitForQueuedBuffer(const std::string& path,
                                              std::chrono::milliseconds timeout) {
  std::unique_lock lk(m_);
  Node* node = FindNode(path);
  if (!node) return false;
  return queued_.wait_for(lk, timeout, [&] { return node->streaming && !node->queued.empty(); });
}

void TV4L2EmulatedDriver::FailNext(const std::string& path, unsigned long request, int error) {
  std::lock_guard lk(m_);
  if (Node* node = FindNode(path)) node->failNext.emplace(request, error);
}

void TV4L2EmulatedDriver::Unplug(const std::string& path) {
  std::lock_guard lk(m_);
  if (Node* node = FindNode(path)) {
    node->unplugged = true;
    UpdateReadiness(*node);
  }
}

void TV4L2EmulatedDriver::FailStream(const std::string& path, int error) {
  std::lock_guard lk(m_);
  if (Node* node = FindNode(path)) {
    node->streamError = error;
    UpdateReadiness(*node);
  }
}

int TV4L2EmulatedDriver::CallCount(const std::string& path, unsigned long request) const {
  std::lock_guard lk(m_);
  const Node* node = FindNode(path);
  if (!node) return 0;
  auto it = node->calls.find(request);
  return it == node->calls.end() ? 0 : it->second;
}

int TV4L2EmulatedDriver::OpenDescriptors() const {
  std::lock_guard lk(m_);
  return static_cast<int>(files_.size());
}

int TV4L2EmulatedDriver::MappedBuffers() const {
  std::lock_guard lk(m_);
  int n = 0;
  for (const auto& node : nodes_)
    for (const Buffer& b : node->buffers) n += b.mappings;
  return n;
}

bool TV4L2EmulatedDriver::Streaming(const std::string& path) const {
  std::lock_guard lk(m_);
  const Node* node = FindNode(path);
  return node && node->streaming;
}

v4l2_pix_format TV4L2EmulatedDriver::Format(const std::string& path) const {
  std::lock_guard lk(m_);
  const Node* node = FindNode(path);
  return node ? node->format : v4l2_pix_format{};
}

TV4L2Fraction TV4L2EmulatedDriver::Interval(const std::string& path) const {
  std::lock_guard lk(m_);
  const Node* node = FindNode(path);
  return node ? node->interval : TV4L2Fraction{};
}
