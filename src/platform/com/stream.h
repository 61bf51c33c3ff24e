// Byte streams between COM objects and the persistence of an object in one: its class id, then
// its own data. A stream made here lives in memory.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/unknown.h"

struct LARGE_INTEGER {
  int64_t QuadPart;
};
struct ULARGE_INTEGER {
  uint64_t QuadPart;
};

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

inline constexpr DWORD STGTY_STREAM = 2;
inline constexpr DWORD STATFLAG_NONAME = 1;

// What Stat tells of a stream; unnamed streams leave pwcsName null.
struct STATSTG {
  WCHAR* pwcsName;
  DWORD type;
  ULARGE_INTEGER cbSize;
};

struct ISequentialStream : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
  // Reads up to cb bytes; fewer at the end of the stream, and S_OK all the same.
  virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
  virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
};

struct IStream : ISequentialStream {
  using Base = ISequentialStream;
  static constexpr IID iid{0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER newSize) = 0;
  virtual HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                         ULARGE_INTEGER* pcbWritten) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD statFlag) = 0;
  virtual HRESULT Clone(IStream** ppstm) = 0;
};
inline constexpr IID IID_IStream = IStream::iid;

struct IPersist : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT GetClassID(CLSID* pClassID) = 0;
};
inline constexpr IID IID_IPersist = IPersist::iid;

struct IPersistStream : IPersist {
  using Base = IPersist;
  static constexpr IID iid{0x00000109, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  // S_OK when changed since the last save, S_FALSE otherwise.
  virtual HRESULT IsDirty() = 0;
  // Reads the object's own data; a stream that ends early is a failure, not a partial load.
  virtual HRESULT Load(IStream* stm) = 0;
  virtual HRESULT Save(IStream* stm, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
};
inline constexpr IID IID_IPersistStream = IPersistStream::iid;

// A new memory stream holding a copy of size bytes at init (none for nullptr), positioned at
// its start; nullptr when memory is short. The caller owns the reference.
IStream* SHCreateMemStream(const BYTE* init, UINT size);

// The class id as 16 bytes at the stream's position; reading fewer is STG_E_READFAULT.
HRESULT WriteClassStm(IStream* stm, REFCLSID clsid);
HRESULT ReadClassStm(IStream* stm, CLSID* clsid);

// Moves exactly size bytes at the stream's position: a stream that ends early is
// STG_E_READFAULT, one that takes fewer bytes STG_E_MEDIUMFULL.
HRESULT ReadStreamExactly(IStream* stm, void* data, ULONG size);
HRESULT WriteStreamExactly(IStream* stm, const void* data, ULONG size);

// A text as its length in characters (32 bits) and its UTF-16 characters. A stored length above
// maxChars is damaged data (STG_E_READFAULT); text changes only when the whole text was read.
HRESULT WriteCountedText(IStream* stm, const std::u16string& text);
HRESULT ReadCountedText(IStream* stm, uint32_t maxChars, std::u16string* text);

// Writes the object's class id (CLSID_NULL for no object), then has it save itself.
HRESULT OleSaveToStream(IPersistStream* pstm, IStream* stm);
// Reads a class id, creates the object through the class registry and has it load itself,
// then answers for iid. Any failure releases the object and leaves *ppv null.
HRESULT OleLoadFromStream(IStream* stm, REFIID iid, void** ppv);
