#include "engine/filestream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

TFileStream::TFileStream(const std::string& FileName, TFileMode) : fileName_(FileName) {
  fd_ = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    const int code = errno;
    throw EFCreateError("Cannot create file \"" + FileName + "\". " + std::strerror(code), code);
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count) {
  const auto* bytes = static_cast<const char*>(Buffer);
  int32_t done = 0;
  while (done < Count) {
    const ssize_t n = ::pwrite(fd_, bytes + done, static_cast<size_t>(Count - done), position_);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
    position_ += n;
  }
  return done;
}

void TFileStream::WriteBuffer(const void* Buffer, int32_t Count) {
  errno = 0;
  if (Write(Buffer, Count) == Count) return;
  const int code = errno ? errno : ENOSPC;  // a write of 0 bytes without an error: disk full
  throw EWriteError(std::string("Stream write error. ") + std::strerror(code), code);
}

int64_t TFileStream::Size() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}
