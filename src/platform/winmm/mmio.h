// Multimedia file I/O: buffered reading of disk files and memory blocks, with the RIFF chunk
// navigation that WAV files need. Only reading is offered: opening for writing or creating
// a file is refused, and so is marking the direct buffer dirty.
//
// Positions are 32-bit. Seeking beyond the end of a file is refused, so the
// direct buffer always satisfies pchBuffer <= pchNext <= pchEndRead.
#pragma once

#include <cstdio>  // SEEK_SET, SEEK_CUR, SEEK_END

#include "platform/win/types.h"
#include "platform/winmm/mmresult.h"

using FOURCC = DWORD;
using HPSTR = char*;

struct MMIOFile;
using HMMIO = MMIOFile*;

// The state of an open file's I/O buffer, handed out by mmioGetInfo for direct access.
struct MMIOINFO {
  DWORD dwFlags;
  FOURCC fccIOProc;  // 0 or FOURCC_DOS: a disk file; FOURCC_MEM: a memory block
  void* pIOProc;     // custom I/O procedures are not supported
  UINT wErrorRet;    // why mmioOpen failed
  HANDLE htask;
  LONG cchBuffer;     // buffer size (for a memory file: the block's size)
  HPSTR pchBuffer;    // start of the buffer (for a memory file: the block)
  HPSTR pchNext;      // next byte to read
  HPSTR pchEndRead;   // end of the valid bytes in the buffer
  HPSTR pchEndWrite;  // end of the buffer
  LONG lBufOffset;    // file offset of pchBuffer[0]
  LONG lDiskOffset;   // file offset just past what the buffer was last filled with
  DWORD adwInfo[3];
  DWORD dwReserved1;
  DWORD dwReserved2;
  HMMIO hmmio;
};

// A RIFF chunk: its id, the size of its data, the form or list type of a "RIFF" or "LIST"
// chunk, the file offset of its data (for "RIFF"/"LIST" that is the type's offset) and flags.
struct MMCKINFO {
  FOURCC ckid;
  DWORD cksize;
  FOURCC fccType;
  DWORD dwDataOffset;
  DWORD dwFlags;
};

constexpr FOURCC mmioFOURCC(char c0, char c1, char c2, char c3) {
  return static_cast<FOURCC>(static_cast<BYTE>(c0)) |
         (static_cast<FOURCC>(static_cast<BYTE>(c1)) << 8) |
         (static_cast<FOURCC>(static_cast<BYTE>(c2)) << 16) |
         (static_cast<FOURCC>(static_cast<BYTE>(c3)) << 24);
}

inline constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
inline constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
inline constexpr FOURCC FOURCC_DOS = mmioFOURCC('D', 'O', 'S', ' ');
inline constexpr FOURCC FOURCC_MEM = mmioFOURCC('M', 'E', 'M', ' ');

// Open flags.
inline constexpr DWORD MMIO_READ = 0x00000000;
inline constexpr DWORD MMIO_WRITE = 0x00000001;
inline constexpr DWORD MMIO_READWRITE = 0x00000002;
inline constexpr DWORD MMIO_RWMODE = 0x00000003;
inline constexpr DWORD MMIO_CREATE = 0x00001000;
inline constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
inline constexpr DWORD MMIO_DIRTY = 0x10000000;
inline constexpr LONG MMIO_DEFAULTBUFFER = 8192;

// Descend flags.
inline constexpr UINT MMIO_FINDCHUNK = 0x0010;
inline constexpr UINT MMIO_FINDRIFF = 0x0020;
inline constexpr UINT MMIO_FINDLIST = 0x0040;

// Results of their own (the general ones are in mmresult.h).
inline constexpr MMRESULT MMIOERR_BASE = 256;
inline constexpr MMRESULT MMIOERR_FILENOTFOUND = MMIOERR_BASE + 1;
inline constexpr MMRESULT MMIOERR_OUTOFMEMORY = MMIOERR_BASE + 2;
inline constexpr MMRESULT MMIOERR_CANNOTOPEN = MMIOERR_BASE + 3;
inline constexpr MMRESULT MMIOERR_CANNOTCLOSE = MMIOERR_BASE + 4;
inline constexpr MMRESULT MMIOERR_CANNOTREAD = MMIOERR_BASE + 5;
inline constexpr MMRESULT MMIOERR_CANNOTWRITE = MMIOERR_BASE + 6;
inline constexpr MMRESULT MMIOERR_CANNOTSEEK = MMIOERR_BASE + 7;
inline constexpr MMRESULT MMIOERR_CANNOTEXPAND = MMIOERR_BASE + 8;
inline constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = MMIOERR_BASE + 9;
inline constexpr MMRESULT MMIOERR_UNBUFFERED = MMIOERR_BASE + 10;

// Opens a regular disk file by its UTF-8 name, or, with info->fccIOProc = FOURCC_MEM, the
// memory block info->pchBuffer of info->cchBuffer bytes (the name is then ignored and the
// block must outlive the handle). MMIO_ALLOCBUF gives a disk file a buffer of
// info->cchBuffer bytes (MMIO_DEFAULTBUFFER when 0); without it the file is unbuffered.
// No handle on failure; info->wErrorRet then tells why.
HMMIO mmioOpenW(const char* fileName, MMIOINFO* info, DWORD flags);
HMMIO mmioOpenA(const char* fileName, MMIOINFO* info, DWORD flags);
MMRESULT mmioClose(HMMIO h, UINT flags);

// Bytes read (0 at the end of the file), or -1 on error.
LONG mmioRead(HMMIO h, HPSTR pch, LONG cch);
// The new position, or -1 when it would lie outside 0 .. file size.
LONG mmioSeek(HMMIO h, LONG offset, int origin);

// Direct access to the I/O buffer: take its state, read from pchNext up to pchEndRead, call
// mmioAdvance for the next part of the file (an empty buffer after it means the end), and
// hand the state back with mmioSetInfo.
MMRESULT mmioGetInfo(HMMIO h, MMIOINFO* info, UINT flags);
MMRESULT mmioSetInfo(HMMIO h, const MMIOINFO* info, UINT flags);
MMRESULT mmioAdvance(HMMIO h, MMIOINFO* info, UINT flags);

// Reads the chunk header at the current position into ck, or with MMIO_FINDCHUNK /
// MMIO_FINDRIFF / MMIO_FINDLIST skips chunks (and their pad bytes) until one with ck's id
// (and type) turns up. The search stays inside parent when given. Afterwards the position
// is at the chunk's data (past the type of a "RIFF" or "LIST" chunk).
MMRESULT mmioDescend(HMMIO h, MMCKINFO* ck, const MMCKINFO* parent, UINT flags);
// Moves past the end of the chunk and its pad byte when its size is odd.
MMRESULT mmioAscend(HMMIO h, MMCKINFO* ck, UINT flags);
