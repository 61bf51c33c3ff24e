// DVD time codes as graph events carry them: eight 4-bit fields and a 2-bit frame-rate code
// packed in 32 bits, the first field in the most significant nibble.
#pragma once

#include <cstdint>

struct TDsDVDTimecode {
  uint8_t Hours1;
  uint8_t Hours10;
  uint8_t Minutes1;
  uint8_t Minutes10;
  uint8_t Seconds1;
  uint8_t Seconds10;
  uint8_t Frames1;
  uint8_t Frames10;
  uint8_t FrameRateCode;
};
static_assert(sizeof(TDsDVDTimecode) == 9);

TDsDVDTimecode UnpackDVDTimecode(uint32_t Value);
