// Linear volume and balance (0 .. 10000, -10000 .. 10000) in the hundredths of a decibel that
// the audio interface takes.
#pragma once

#include <cstdint>

// round(ln(Value + 1) * 1085.73) - 10000: 0 gives -10000, 10000 gives 0. A negative Value, which
// has no logarithm here, gives -10000 like 0.
int32_t LinearToDecibelVolume(int32_t Value);
// r = round(ln(|Value| + 1) * 1085.73); r for a negative Value, -r otherwise.
int32_t LinearToDecibelBalance(int32_t Value);
