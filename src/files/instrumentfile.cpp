#include "files/instrumentfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kMagic[4] = {'.', 'l', 'm', 't'};

uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }
float F32(const uint8_t* p) { return std::bit_cast<float>(U32(p)); }

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 24));
}
void PutI32(std::vector<uint8_t>& out, int32_t v) { PutU32(out, static_cast<uint32_t>(v)); }
void PutF32(std::vector<uint8_t>& out, float v) { PutU32(out, std::bit_cast<uint32_t>(v)); }

std::string SystemText(int code) { return std::strerror(code); }

}  // namespace

TInstrumentRead ReadInstrumentFile(const uint8_t* data, size_t size, TInstrumentFile& file) {
  if (size < 4 || std::memcmp(data, kMagic, 4) != 0) return TInstrumentRead::irCorrupted;
  if (size < 8) return TInstrumentRead::irCorrupted;
  // A newer layout is the newer program's business, whatever it holds.
  if (I32(data + 4) > InstrumentFileVersion) return TInstrumentRead::irNewer;
  if (size < InstrumentHeaderBytes) return TInstrumentRead::irCorrupted;

  const int32_t binCount = I32(data + 8);
  const bool single = binCount == InstrumentBins;
  if (size < (single ? InstrumentFileBytes : PairedInstrumentFileBytes))
    return TInstrumentRead::irCorrupted;

  TInstrumentFile f;
  // A main bin outside the spectrum would send the engine's voices outside their tables.
  const uint32_t mainBin = U32(data + 12);
  if (single) {
    if (mainBin >= uint32_t(InstrumentBins)) return TInstrumentRead::irCorrupted;
    f.MainBin = static_cast<int32_t>(mainBin);
  } else if (binCount == 2 * InstrumentBins) {
    if ((mainBin >> 1) >= uint32_t(InstrumentBins)) return TInstrumentRead::irCorrupted;
    f.MainBin = static_cast<int32_t>(mainBin >> 1);
  } else {
    f.HasMainBin = false;  // the stored main bin is not looked at
  }

  f.Volume = F32(data + 16);
  // Only volumes the volume bar can show and set: any other would play on unheard.
  if (!(f.Volume >= 0.0f && f.Volume <= MaxInstrumentVolume)) return TInstrumentRead::irCorrupted;
  f.AttackTime = I32(data + 20);
  f.ReleaseTime = I32(data + 24);
  f.LowestPlayingNote = I32(data + 28);
  f.HighestPlayingNote = I32(data + 32);
  f.NoiseReduction = I32(data + 36);
  f.WebCam = I32(data + 40);
  f.PianoMode = I32(data + 44);
  f.DisabledNotes = U32(data + 48);
  // Bytes 52 to 95: reserved words, ignored.

  const uint8_t* amps = data + InstrumentHeaderBytes;
  for (int b = 0; b < InstrumentBins; ++b) {
    float a;
    if (single) {
      a = F32(amps + 4 * b);
    } else {
      const float first = F32(amps + 8 * b);
      const float second = F32(amps + 8 * b + 4);
      if (!std::isfinite(first) || !std::isfinite(second)) return TInstrumentRead::irCorrupted;
      a = first + second;
    }
    if (!std::isfinite(a)) return TInstrumentRead::irCorrupted;
    f.Amplitudes[b] = a;
  }
  file = f;
  return TInstrumentRead::irLoaded;
}

std::vector<uint8_t> BuildInstrumentFile(const TInstrumentFile& file) {
  std::vector<uint8_t> out;
  out.reserve(InstrumentFileBytes);
  out.insert(out.end(), kMagic, kMagic + 4);
  PutI32(out, InstrumentFileVersion);
  PutI32(out, InstrumentBins);
  PutI32(out, file.MainBin);
  PutF32(out, file.Volume);
  PutI32(out, file.AttackTime);
  PutI32(out, file.ReleaseTime);
  PutI32(out, file.LowestPlayingNote);
  PutI32(out, file.HighestPlayingNote);
  PutI32(out, file.NoiseReduction);
  PutI32(out, file.WebCam);
  PutI32(out, file.PianoMode);
  PutU32(out, file.DisabledNotes);
  for (int i = 0; i < 11; ++i) PutU32(out, 0);
  for (float a : file.Amplitudes) PutF32(out, a);
  return out;
}

bool ReadFileBytes(const std::string& name, size_t maxBytes, std::vector<uint8_t>& bytes,
                   std::string& error) {
  // Opened without blocking and checked before use: a named pipe or a device is refused at
  // once instead of waiting forever for a writer.
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = "Cannot open file \"" + name + "\". " + SystemText(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    const int code = errno;
    const std::string why = S_ISDIR(st.st_mode)    ? SystemText(EISDIR)
                            : !S_ISREG(st.st_mode) ? std::string("Not a regular file")
                                                   : SystemText(code);
    ::close(fd);
    error = "Cannot open file \"" + name + "\". " + why;
    return false;
  }
  bytes.assign(maxBytes, 0);
  size_t done = 0;
  while (done < maxBytes) {
    const ssize_t n = ::read(fd, bytes.data() + done, maxBytes - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      // A folder opens but does not read.
      error = "Cannot open file \"" + name + "\". " + SystemText(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return true;
}

bool WriteFileReplacing(const std::string& name, const std::vector<uint8_t>& bytes,
                        std::string& error) {
  auto fail = [&](const char* what, int code) {
    error = std::string(what) + " \"" + name + "\". " + SystemText(code);
    return false;
  };

  // A link is followed: the file it names is replaced, the link stays.
  std::string target = name;
  struct stat existing {};
  bool exists = ::stat(name.c_str(), &existing) == 0;
  struct stat link {};
  if (exists && ::lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* resolved = ::realpath(name.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  if (exists && S_ISDIR(existing.st_mode)) return fail("Cannot create file", EISDIR);
  // A file we may not write stays, as it would when opened for writing.
  if (exists && ::access(target.c_str(), W_OK) != 0) return fail("Cannot create file", errno);

  // A short name of its own, so that a name near the length limit still finds room beside it.
  const std::string folder = target.substr(0, target.rfind('/') + 1);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = folder + ".lumatap-save-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt >= 100)) return fail("Cannot create file", errno);
  }
  auto abandon = [&](int code) {
    ::close(fd);
    ::unlink(temp.c_str());
    return fail("Cannot write file", code);
  };

  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return abandon(errno);
    if (n == 0) return abandon(ENOSPC);  // nothing taken without an error: the disk is full
    done += static_cast<size_t>(n);
  }
  if (exists) ::fchmod(fd, existing.st_mode & 07777);
  if (::fsync(fd) != 0) return abandon(errno);
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(temp.c_str());
    return fail("Cannot write file", code);
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int code = errno;
    ::unlink(temp.c_str());
    return fail("Cannot write file", code);
  }
  return true;
}

std::string ExtractFileExt(const std::string& name) {
  const size_t dot = name.find_last_of("./");
  if (dot == std::string::npos || name[dot] != '.') return {};
  return name.substr(dot);
}

std::string LowerCase(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}
