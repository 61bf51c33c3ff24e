#include "capture/dsaux/dvd.h"

TDsDVDTimecode UnpackDVDTimecode(uint32_t Value) {
  auto bits = [Value](int shift, uint32_t mask) {
    return static_cast<uint8_t>(Value >> shift & mask);
  };
  return {bits(28, 0xF), bits(24, 0xF), bits(20, 0xF), bits(16, 0xF), bits(12, 0xF),
          bits(8, 0xF),  bits(4, 0xF),  bits(2, 0x3),  bits(0, 0x3)};
}
