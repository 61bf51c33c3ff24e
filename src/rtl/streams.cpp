#include "rtl/streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

namespace rtl {

int64_t TStream::Size() {
  const int64_t position = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

// --- memory ------------------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
  const int64_t size = static_cast<int64_t>(bytes_.size());
  if (Count <= 0 || position_ >= size) return 0;
  const int64_t n = std::min(Count, size - position_);
  std::memcpy(Buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  if (Count > INT64_MAX - position_)
    throw EStreamError("Out of memory while expanding memory stream");
  const int64_t end = position_ + Count;
  if (end > static_cast<int64_t>(bytes_.size())) SetSize(end);
  std::memcpy(bytes_.data() + position_, Buffer, static_cast<size_t>(Count));
  position_ = end;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int64_t base = Origin == soBeginning ? 0
                       : Origin == soCurrent ? position_
                                             : static_cast<int64_t>(bytes_.size());
  if (Offset < -base || Offset > INT64_MAX - base) return -1;
  position_ = base + Offset;
  return position_;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) NewSize = 0;
  try {
    bytes_.resize(static_cast<size_t>(NewSize));
  } catch (const std::bad_alloc&) {
    throw EStreamError("Out of memory while expanding memory stream");
  } catch (const std::length_error&) {
    throw EStreamError("Out of memory while expanding memory stream");
  }
}

void TMemoryStream::Clear() {
  std::vector<uint8_t>().swap(bytes_);
  position_ = 0;
}

// --- file --------------------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, TFileMode) : fileName_(FileName) {
  fd_ = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0)
    throw EFCreateError("Cannot create file \"" + FileName + "\". " + std::strerror(errno));
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
  auto* bytes = static_cast<char*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t n = ::read(fd_, bytes + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
  const auto* bytes = static_cast<const char*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t n = ::write(fd_, bytes + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t result = ::lseek(fd_, static_cast<off_t>(Offset), whence);
  return result < 0 ? -1 : static_cast<int64_t>(result);
}

void TFileStream::SetSize(int64_t NewSize) {
  if (::ftruncate(fd_, static_cast<off_t>(std::max<int64_t>(NewSize, 0))) != 0)
    throw EStreamError(std::string("Stream write error. ") + std::strerror(errno));
}

}  // namespace rtl
