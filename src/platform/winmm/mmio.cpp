#include "platform/winmm/mmio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>

// One open file. `info` is the buffer state that mmioGetInfo hands out. A memory file's
// buffer is the whole block, so its lBufOffset stays 0; a disk file's buffer is a window
// onto the file at lBufOffset. An unbuffered disk file has no buffer: its position is
// lBufOffset.
struct MMIOFile {
  MMIOINFO info{};
  std::FILE* file = nullptr;  // nullptr for a memory file
  int64_t fileSize = 0;       // at most the largest 32-bit position
  std::unique_ptr<char[]> ownBuffer;
};

namespace {

constexpr int64_t kMaxPosition = std::numeric_limits<LONG>::max();

bool Unbuffered(const MMIOFile* h) { return h->file != nullptr && h->info.cchBuffer == 0; }

int64_t Position(const MMIOFile* h) {
  return static_cast<int64_t>(h->info.lBufOffset) + (h->info.pchNext - h->info.pchBuffer);
}

bool Between(const char* p, const char* lo, const char* hi) {
  return std::less_equal<const char*>()(lo, p) && std::less_equal<const char*>()(p, hi);
}

// Reads the buffer full from `pos` on (fewer bytes near the end of the file).
bool Fill(MMIOFile* h, int64_t pos) {
  MMIOINFO& io = h->info;
  const int64_t want = std::min<int64_t>(io.cchBuffer, h->fileSize - pos);
  size_t got = 0;
  if (want > 0) {
    if (fseeko(h->file, static_cast<off_t>(pos), SEEK_SET) != 0) return false;
    got = std::fread(io.pchBuffer, 1, static_cast<size_t>(want), h->file);
    if (std::ferror(h->file)) {
      std::clearerr(h->file);
      return false;
    }
  }
  io.lBufOffset = static_cast<LONG>(pos);
  io.pchNext = io.pchBuffer;
  io.pchEndRead = io.pchBuffer + got;
  io.lDiskOffset = static_cast<LONG>(pos + static_cast<int64_t>(got));
  return true;
}

bool SeekTo(MMIOFile* h, int64_t pos) {
  if (pos < 0 || pos > h->fileSize) return false;
  MMIOINFO& io = h->info;
  if (h->file == nullptr) {
    io.pchNext = io.pchBuffer + pos;
  } else if (Unbuffered(h)) {
    io.lBufOffset = static_cast<LONG>(pos);
  } else if (pos >= io.lBufOffset && pos <= io.lBufOffset + (io.pchEndRead - io.pchBuffer)) {
    io.pchNext = io.pchBuffer + (pos - io.lBufOffset);
  } else {
    // Outside the buffered bytes: leave the buffer empty there; the next read fills it.
    io.lBufOffset = static_cast<LONG>(pos);
    io.pchNext = io.pchEndRead = io.pchBuffer;
  }
  return true;
}

LONG ReadUnbuffered(MMIOFile* h, HPSTR pch, LONG cch) {
  MMIOINFO& io = h->info;
  const int64_t want = std::min<int64_t>(cch, h->fileSize - io.lBufOffset);
  size_t got = 0;
  if (want > 0) {
    if (fseeko(h->file, static_cast<off_t>(io.lBufOffset), SEEK_SET) != 0) return -1;
    got = std::fread(pch, 1, static_cast<size_t>(want), h->file);
    if (std::ferror(h->file)) {
      std::clearerr(h->file);
      return -1;
    }
  }
  io.lBufOffset += static_cast<LONG>(got);
  io.lDiskOffset = io.lBufOffset;
  return static_cast<LONG>(got);
}

// Takes over the caller's read position from a record that mmioGetInfo handed out.
MMRESULT TakeCallerState(MMIOFile* h, const MMIOINFO* info) {
  MMIOINFO& io = h->info;
  if (info->dwFlags & MMIO_DIRTY) return MMIOERR_CANNOTWRITE;
  if (info->pchBuffer != io.pchBuffer || !Between(info->pchNext, io.pchBuffer, io.pchEndRead))
    return MMSYSERR_INVALPARAM;
  io.pchNext = info->pchNext;
  return MMSYSERR_NOERROR;
}

bool ReadExact(MMIOFile* h, void* data, LONG n) {
  return mmioRead(h, static_cast<HPSTR>(data), n) == n;
}

DWORD LittleEndian32(const BYTE* b) {
  return static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) |
         (static_cast<DWORD>(b[2]) << 16) | (static_cast<DWORD>(b[3]) << 24);
}

HMMIO Open(const char* fileName, MMIOINFO* info, DWORD flags) {
  auto fail = [info](UINT error) -> HMMIO {
    if (info) info->wErrorRet = error;
    return nullptr;
  };
  if ((flags & MMIO_RWMODE) != MMIO_READ || (flags & MMIO_CREATE)) return fail(MMIOERR_CANNOTWRITE);
  const FOURCC proc = info ? info->fccIOProc : 0;
  if ((info && info->pIOProc) || (proc != 0 && proc != FOURCC_DOS && proc != FOURCC_MEM))
    return fail(MMSYSERR_INVALPARAM);

  auto h = std::unique_ptr<MMIOFile>(new (std::nothrow) MMIOFile);
  if (!h) return fail(MMIOERR_OUTOFMEMORY);
  MMIOINFO& io = h->info;
  io.dwFlags = flags;
  io.hmmio = h.get();

  if (proc == FOURCC_MEM) {
    if (info->pchBuffer == nullptr || info->cchBuffer <= 0) return fail(MMSYSERR_INVALPARAM);
    io.fccIOProc = FOURCC_MEM;
    io.cchBuffer = info->cchBuffer;
    io.pchBuffer = io.pchNext = info->pchBuffer;
    io.pchEndRead = io.pchEndWrite = info->pchBuffer + info->cchBuffer;
    io.lDiskOffset = info->cchBuffer;
    h->fileSize = info->cchBuffer;
  } else {
    if (fileName == nullptr) return fail(MMIOERR_FILENOTFOUND);
    // Opened without blocking and checked before use: a named pipe or a device chosen by
    // mistake is refused at once instead of waiting forever for a writer.
    const int fd = ::open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(errno == ENOENT ? MMIOERR_FILENOTFOUND : MMIOERR_CANNOTOPEN);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
      ::close(fd);
      return fail(MMIOERR_CANNOTOPEN);
    }
    std::FILE* f = fdopen(fd, "rb");
    if (f == nullptr) {
      ::close(fd);
      return fail(MMIOERR_CANNOTOPEN);
    }
    std::setvbuf(f, nullptr, _IONBF, 0);  // our own buffer is the only one
    h->file = f;
    h->fileSize = std::min<int64_t>(st.st_size, kMaxPosition);
    io.fccIOProc = FOURCC_DOS;
    if (flags & MMIO_ALLOCBUF) {
      const LONG size = info && info->cchBuffer > 0 ? info->cchBuffer : MMIO_DEFAULTBUFFER;
      h->ownBuffer.reset(new (std::nothrow) char[static_cast<size_t>(size)]);
      if (!h->ownBuffer) {
        std::fclose(f);
        return fail(MMIOERR_OUTOFMEMORY);
      }
      io.cchBuffer = size;
      io.pchBuffer = io.pchNext = io.pchEndRead = h->ownBuffer.get();
      io.pchEndWrite = io.pchBuffer + size;
    }
  }
  if (info) info->wErrorRet = MMSYSERR_NOERROR;
  return h.release();
}

}  // namespace

HMMIO mmioOpenW(const char* fileName, MMIOINFO* info, DWORD flags) {
  return Open(fileName, info, flags);
}

HMMIO mmioOpenA(const char* fileName, MMIOINFO* info, DWORD flags) {
  return Open(fileName, info, flags);
}

MMRESULT mmioClose(HMMIO h, UINT) {
  if (h == nullptr) return MMSYSERR_INVALHANDLE;
  const bool closed = h->file == nullptr || std::fclose(h->file) == 0;
  delete h;
  return closed ? MMSYSERR_NOERROR : MMIOERR_CANNOTCLOSE;
}

LONG mmioRead(HMMIO h, HPSTR pch, LONG cch) {
  if (h == nullptr || cch < 0 || (pch == nullptr && cch > 0)) return -1;
  if (Unbuffered(h)) return ReadUnbuffered(h, pch, cch);
  MMIOINFO& io = h->info;
  LONG done = 0;
  while (done < cch) {
    if (io.pchNext == io.pchEndRead) {
      if (h->file == nullptr) break;  // a memory file is all in its buffer
      if (!Fill(h, Position(h))) return -1;
      if (io.pchNext == io.pchEndRead) break;
    }
    const LONG n = static_cast<LONG>(std::min<int64_t>(cch - done, io.pchEndRead - io.pchNext));
    std::memcpy(pch + done, io.pchNext, static_cast<size_t>(n));
    io.pchNext += n;
    done += n;
  }
  return done;
}

LONG mmioSeek(HMMIO h, LONG offset, int origin) {
  if (h == nullptr) return -1;
  int64_t base;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = Position(h);
      break;
    case SEEK_END:
      base = h->fileSize;
      break;
    default:
      return -1;
  }
  const int64_t target = base + offset;
  return SeekTo(h, target) ? static_cast<LONG>(target) : -1;
}

MMRESULT mmioGetInfo(HMMIO h, MMIOINFO* info, UINT) {
  if (h == nullptr) return MMSYSERR_INVALHANDLE;
  if (info == nullptr) return MMSYSERR_INVALPARAM;
  *info = h->info;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO h, const MMIOINFO* info, UINT) {
  if (h == nullptr) return MMSYSERR_INVALHANDLE;
  if (info == nullptr) return MMSYSERR_INVALPARAM;
  return TakeCallerState(h, info);
}

MMRESULT mmioAdvance(HMMIO h, MMIOINFO* info, UINT flags) {
  if (h == nullptr) return MMSYSERR_INVALHANDLE;
  if (Unbuffered(h)) return MMIOERR_UNBUFFERED;
  if (flags & (MMIO_WRITE | MMIO_READWRITE)) return MMIOERR_CANNOTWRITE;
  if (info) {
    if (const MMRESULT r = TakeCallerState(h, info); r != MMSYSERR_NOERROR) return r;
  }
  // A memory file has nothing more to bring in: its end stays its end.
  if (h->file != nullptr && !Fill(h, Position(h))) return MMIOERR_CANNOTREAD;
  if (info) {
    info->pchNext = h->info.pchNext;
    info->pchEndRead = h->info.pchEndRead;
    info->pchEndWrite = h->info.pchEndWrite;
    info->lBufOffset = h->info.lBufOffset;
    info->lDiskOffset = h->info.lDiskOffset;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT mmioDescend(HMMIO h, MMCKINFO* ck, const MMCKINFO* parent, UINT flags) {
  if (h == nullptr) return MMSYSERR_INVALHANDLE;
  if (ck == nullptr) return MMSYSERR_INVALPARAM;
  const int64_t parentEnd = parent ? static_cast<int64_t>(parent->dwDataOffset) + parent->cksize
                                   : std::numeric_limits<int64_t>::max();
  const FOURCC wantedId = (flags & MMIO_FINDRIFF)   ? FOURCC_RIFF
                          : (flags & MMIO_FINDLIST) ? FOURCC_LIST
                                                    : ck->ckid;
  const bool find = flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST);
  const bool typed = flags & (MMIO_FINDRIFF | MMIO_FINDLIST);
  for (;;) {
    const int64_t start = Position(h);
    if (start + 8 > parentEnd) return MMIOERR_CHUNKNOTFOUND;
    BYTE header[12];
    if (!ReadExact(h, header, 8)) return MMIOERR_CHUNKNOTFOUND;
    MMCKINFO found{LittleEndian32(header), LittleEndian32(header + 4), 0,
                   static_cast<DWORD>(start + 8), 0};
    if (found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST) {
      if (!ReadExact(h, header + 8, 4)) return MMIOERR_CHUNKNOTFOUND;
      found.fccType = LittleEndian32(header + 8);
    }
    if (!find || (found.ckid == wantedId && (!typed || found.fccType == ck->fccType))) {
      *ck = found;
      return MMSYSERR_NOERROR;
    }
    // Odd-sized chunks are followed by a pad byte that keeps the next one word-aligned.
    const int64_t next =
        static_cast<int64_t>(found.dwDataOffset) + found.cksize + (found.cksize & 1);
    if (!SeekTo(h, next)) return MMIOERR_CHUNKNOTFOUND;
  }
}

MMRESULT mmioAscend(HMMIO h, MMCKINFO* ck, UINT) {
  if (h == nullptr) return MMSYSERR_INVALHANDLE;
  if (ck == nullptr) return MMSYSERR_INVALPARAM;
  if (ck->dwFlags & MMIO_DIRTY) return MMIOERR_CANNOTWRITE;  // sizes are only fixed when writing
  const int64_t end = static_cast<int64_t>(ck->dwDataOffset) + ck->cksize + (ck->cksize & 1);
  return SeekTo(h, end) ? MMSYSERR_NOERROR : MMIOERR_CANNOTSEEK;
}
