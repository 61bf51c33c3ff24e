// Media-type records for the layer's own use: deep copies, release, task-memory records for
// the interfaces that hand them out, matching a type against a partly given one, the format
// block check, and an owning holder.
#pragma once

#include <utility>

#include "platform/dshow/guids.h"
#include "platform/dshow/types.h"

// Copies source into target (which holds nothing of its own): the format block duplicated in
// task memory, pUnk given a reference. E_OUTOFMEMORY leaves target without a block.
HRESULT MediaTypeCopy(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source);
// Frees the format block and releases pUnk; the GUIDs and other fields stay.
void MediaTypeFree(AM_MEDIA_TYPE* mt);
// A new record in task memory holding a copy of source; null when memory is short.
AM_MEDIA_TYPE* MediaTypeCreateCopy(const AM_MEDIA_TYPE& source);
// Frees what a task-memory record holds, then the record (null does nothing).
void MediaTypeDelete(AM_MEDIA_TYPE* mt);

// Whether offered fits required: each of the three GUIDs of required that is not null must be
// equal; a null required fits everything.
bool MediaTypeMatches(const AM_MEDIA_TYPE& offered, const AM_MEDIA_TYPE* required);
// Whether mt names a major type, a subtype and a format type.
bool MediaTypeIsComplete(const AM_MEDIA_TYPE& mt);
// S_OK when the format block is present whenever its length is, and is as long as its format
// type needs (VIDEOINFOHEADER, VIDEOINFOHEADER2, WAVEFORMATEX with its extra bytes, the MPEG
// headers); VFW_E_INVALIDMEDIATYPE otherwise.
HRESULT MediaTypeCheckFormat(const AM_MEDIA_TYPE& mt);
// The bitmap header of a VideoInfo or VideoInfo2 block that passed the check, else null.
const BITMAPINFOHEADER* MediaTypeBitmapHeader(const AM_MEDIA_TYPE& mt);
// Bytes of one frame of a bitmap header: biSizeImage, or the padded rows when that is 0.
uint64_t BitmapImageBytes(const BITMAPINFOHEADER& header);

// Owns one media type and its format block.
class TAMMediaType {
 public:
  TAMMediaType() : mt_{} {}
  explicit TAMMediaType(const AM_MEDIA_TYPE& source) : mt_{} { MediaTypeCopy(&mt_, source); }
  TAMMediaType(const TAMMediaType& other) : TAMMediaType(other.mt_) {}
  TAMMediaType(TAMMediaType&& other) noexcept : mt_(std::exchange(other.mt_, AM_MEDIA_TYPE{})) {}
  TAMMediaType& operator=(TAMMediaType other) noexcept {
    std::swap(mt_, other.mt_);
    return *this;
  }
  ~TAMMediaType() { MediaTypeFree(&mt_); }

  const AM_MEDIA_TYPE& Get() const { return mt_; }
  AM_MEDIA_TYPE* Ptr() { return &mt_; }
  const AM_MEDIA_TYPE* operator->() const { return &mt_; }
  // Nothing held: no major type.
  bool Empty() const { return mt_.majortype == GUID_NULL; }
  void Clear() {
    MediaTypeFree(&mt_);
    mt_ = AM_MEDIA_TYPE{};
  }
  // Replaces the held type by a copy of source.
  HRESULT Set(const AM_MEDIA_TYPE& source);
  // Replaces the held format block by a copy of size bytes at data.
  HRESULT SetFormat(const GUID& formatType, const void* data, ULONG size);
  // Hands the held type to a record the caller owns (whose old content is not freed).
  void MoveTo(AM_MEDIA_TYPE* target) { *target = std::exchange(mt_, AM_MEDIA_TYPE{}); }

 private:
  AM_MEDIA_TYPE mt_;
};

// A video type with a VIDEOINFOHEADER: width × height (a negative height is top-down) of
// bitCount bits with the given compression (BI_RGB or a FourCC), frameTime per frame.
TAMMediaType MakeVideoInfoType(const GUID& subtype, LONG width, LONG height, WORD bitCount,
                               DWORD compression, REFERENCE_TIME frameTime);
