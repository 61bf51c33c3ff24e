// Helpers of the "data" readers. A length found in a block comes from stored bytes, so it is
// bounded by what the block really holds: a length the block covers is read exactly; one beyond
// it is kept (its missing tail zeros) only up to a small cap, and above that the value reads as
// empty instead of allocating what the bytes merely claim.
#pragma once

#include <cstdint>

#include "rtl/streams.h"

// The largest stated length that a block may fall short of. Format blocks of video and audio
// types and saved device monikers are a few hundred bytes; 64 KiB leaves room for any of them.
inline constexpr uint32_t MaxPaddedDataLength = 64 * 1024;

// The length to allocate for Stated when Held bytes remain in the block: Stated, or 0 (empty).
constexpr uint32_t BoundedDataLength(uint32_t Stated, int64_t Held) {
  if (Held >= 0 && Stated <= static_cast<uint64_t>(Held)) return Stated;
  return Stated <= MaxPaddedDataLength ? Stated : 0;
}

// Reads up to Count bytes, fewer only where the stream ends; returns how many came.
inline int64_t ReadUpTo(rtl::TStream& Stream, void* Buffer, int64_t Count) {
  auto* bytes = static_cast<uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    const int64_t got = Stream.Read(bytes + done, Count - done);
    if (got <= 0) break;
    done += got;
  }
  return done;
}

// The bytes left between the stream's position and its end.
inline int64_t BytesLeft(rtl::TStream& Stream) {
  const int64_t left = Stream.Size() - Stream.Position();
  return left > 0 ? left : 0;
}
