// Reader of RIFF WAVE files: checks the RIFF/WAVE form, takes the "fmt " chunk into a
// wave-format record, finds the "data" chunk and hands out its bytes in any portions.
// Results are COM-style: S_OK, or a value with the top bit set; nothing is raised.
#pragma once

#include "platform/win/hresult.h"
#include "platform/win/types.h"
#include "platform/winmm/mmio.h"
#include "platform/winmm/waveformat.h"

inline constexpr DWORD WAVEFILE_READ = 1;

class CWaveFile {
 public:
  CWaveFile();
  ~CWaveFile();
  CWaveFile(const CWaveFile&) = delete;
  CWaveFile& operator=(const CWaveFile&) = delete;

  // Opens a file by its UTF-8 name, or else the program's resource of that name with type
  // "WAVE" or "WAV". WaveFormat is for writing only. Flags 1 reads; this reader does not
  // write, so any other value fails with E_NOTIMPL.
  HRESULT Open(const char* FileName, WAVEFORMATEX* WaveFormat, DWORD Flags);
  // Bytes in the "data" chunk, after a successful Open.
  DWORD GetSize() const { return Size; }
  // Goes back to the first byte of the "data" chunk.
  HRESULT ResetFile();
  // Copies up to SizeToRead bytes of the "data" chunk; past its end the count is cut to
  // what is left (0 once it is used up).
  HRESULT Read(BYTE* Buffer, DWORD SizeToRead, DWORD* SizeRead);
  HRESULT Close();
  // The chunk work of Open: the RIFF form and the "fmt " chunk.
  HRESULT ReadMMIO();

  WAVEFORMATEX* Format;  // 18 bytes plus cbSize extra bytes; owned, nullptr when none
  HMMIO Handle;
  MMIOINFO OutInfo;
  DWORD Size;
  BYTE* ResourceBuffer;  // private copy of a resource read through a memory file; owned
  MMCKINFO DataChunk;    // "fmt ", then "data": its cksize counts the data bytes not yet read
  MMCKINFO RiffChunk;
  DWORD Flags;
};
