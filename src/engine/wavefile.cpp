#include "engine/wavefile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/win/resources.h"

namespace {

constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFmt = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');
constexpr size_t kPcmFormatBytes = 16;  // the "fmt " fields up to wBitsPerSample

WAVEFORMATEX* NewFormat(size_t extraBytes) {
  return static_cast<WAVEFORMATEX*>(
      ::operator new(sizeof(WAVEFORMATEX) + extraBytes, std::nothrow));
}

void FreeFormat(WAVEFORMATEX*& format) {
  ::operator delete(format);
  format = nullptr;
}

}  // namespace

CWaveFile::CWaveFile()
    : Format(nullptr),
      Handle(nullptr),
      OutInfo{},
      Size(0),
      ResourceBuffer(nullptr),
      DataChunk{},
      RiffChunk{},
      Flags(0) {}

CWaveFile::~CWaveFile() {
  Close();
  FreeFormat(Format);
}

HRESULT CWaveFile::Open(const char* FileName, WAVEFORMATEX*, DWORD Flags) {
  this->Flags = Flags;
  if (Flags != WAVEFILE_READ) return E_NOTIMPL;
  if (FileName == nullptr) return E_INVALIDARG;
  // A second Open on the same object must not leak the first file.
  Close();
  FreeFormat(Format);

  Handle = mmioOpenW(FileName, nullptr, MMIO_ALLOCBUF | MMIO_READ);
  if (Handle == nullptr) {
    // Not a file: perhaps a WAVE resource of the program, read through a memory file.
    HRSRC resource = FindResourceW(nullptr, FileName, "WAVE");
    if (resource == nullptr) resource = FindResourceW(nullptr, FileName, "WAV");
    if (resource == nullptr) return E_FAIL;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (loaded == nullptr) return E_FAIL;
    const DWORD size = SizeofResource(nullptr, resource);
    if (size == 0 || size > static_cast<DWORD>(0x7FFFFFFF)) return E_FAIL;
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) return E_FAIL;
    ResourceBuffer = new (std::nothrow) BYTE[size];
    if (ResourceBuffer == nullptr) return E_OUTOFMEMORY;
    std::memcpy(ResourceBuffer, bytes, size);
    MMIOINFO info{};
    info.fccIOProc = FOURCC_MEM;
    info.cchBuffer = static_cast<LONG>(size);
    info.pchBuffer = reinterpret_cast<HPSTR>(ResourceBuffer);
    Handle = mmioOpenA(nullptr, &info, MMIO_ALLOCBUF | MMIO_READ);
    if (Handle == nullptr) {
      delete[] ResourceBuffer;
      ResourceBuffer = nullptr;
      return E_FAIL;
    }
  }

  if (const HRESULT hr = ReadMMIO(); Failed(hr)) {
    mmioClose(Handle, 0);
    Handle = nullptr;
    return hr;
  }
  const HRESULT hr = ResetFile();
  if (Succeeded(hr)) Size = DataChunk.cksize;
  return hr;
}

HRESULT CWaveFile::ReadMMIO() {
  Format = nullptr;
  if (mmioDescend(Handle, &RiffChunk, nullptr, 0) != MMSYSERR_NOERROR) return E_FAIL;
  if (RiffChunk.ckid != FOURCC_RIFF || RiffChunk.fccType != kWave) return E_FAIL;

  DataChunk.ckid = kFmt;
  if (mmioDescend(Handle, &DataChunk, &RiffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    return E_FAIL;
  if (DataChunk.cksize < kPcmFormatBytes) return E_FAIL;

  BYTE pcm[kPcmFormatBytes];
  if (mmioRead(Handle, reinterpret_cast<HPSTR>(pcm), kPcmFormatBytes) != kPcmFormatBytes)
    return E_FAIL;
  WORD formatTag;
  std::memcpy(&formatTag, pcm, sizeof formatTag);

  if (formatTag == WAVE_FORMAT_PCM) {
    Format = NewFormat(0);
    if (Format == nullptr) return E_OUTOFMEMORY;
    std::memcpy(Format, pcm, kPcmFormatBytes);
    Format->cbSize = 0;
  } else {
    WORD extraBytes;
    if (mmioRead(Handle, reinterpret_cast<HPSTR>(&extraBytes), sizeof extraBytes) !=
        sizeof extraBytes)
      return E_FAIL;
    Format = NewFormat(extraBytes);
    if (Format == nullptr) return E_OUTOFMEMORY;
    std::memcpy(Format, pcm, kPcmFormatBytes);
    Format->cbSize = extraBytes;
    HPSTR extra = reinterpret_cast<HPSTR>(Format) + sizeof(WAVEFORMATEX);
    if (mmioRead(Handle, extra, extraBytes) != extraBytes) {
      FreeFormat(Format);
      return E_FAIL;
    }
  }

  // Ascending skips whatever the "fmt " chunk holds beyond the fields read.
  if (mmioAscend(Handle, &DataChunk, 0) != MMSYSERR_NOERROR) {
    FreeFormat(Format);
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CWaveFile::ResetFile() {
  if (Handle == nullptr) return CO_E_NOTINITIALIZED;
  if (Flags != WAVEFILE_READ) return E_NOTIMPL;
  // Past the form type; "data" may stand anywhere after "fmt ", other chunks are skipped.
  if (mmioSeek(Handle, static_cast<LONG>(RiffChunk.dwDataOffset + 4), SEEK_SET) == -1)
    return E_FAIL;
  DataChunk.ckid = kData;
  if (mmioDescend(Handle, &DataChunk, &RiffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    return E_FAIL;
  return S_OK;
}

HRESULT CWaveFile::Read(BYTE* Buffer, DWORD SizeToRead, DWORD* SizeRead) {
  if (Handle == nullptr) return CO_E_NOTINITIALIZED;
  if (Buffer == nullptr || SizeRead == nullptr) return E_INVALIDARG;
  *SizeRead = 0;

  MMIOINFO info;
  if (mmioGetInfo(Handle, &info, 0) != MMSYSERR_NOERROR) return E_FAIL;
  const DWORD n = std::min(SizeToRead, DataChunk.cksize);
  DataChunk.cksize -= n;

  DWORD copied = 0;
  while (copied < n) {
    if (info.pchNext == info.pchEndRead) {
      if (mmioAdvance(Handle, &info, MMIO_READ) != MMSYSERR_NOERROR) return E_FAIL;
      if (info.pchNext == info.pchEndRead) return E_FAIL;  // the file ends inside the chunk
    }
    const DWORD run =
        std::min<DWORD>(n - copied, static_cast<DWORD>(info.pchEndRead - info.pchNext));
    std::memcpy(Buffer + copied, info.pchNext, run);
    info.pchNext += run;
    copied += run;
  }

  if (mmioSetInfo(Handle, &info, 0) != MMSYSERR_NOERROR) return E_FAIL;
  *SizeRead = n;
  return S_OK;
}

HRESULT CWaveFile::Close() {
  if (Handle != nullptr) mmioClose(Handle, 0);
  Handle = nullptr;
  delete[] ResourceBuffer;
  ResourceBuffer = nullptr;
  return S_OK;
}
