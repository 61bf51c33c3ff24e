#include "capture/dsaux/decibels.h"

#include <cmath>
#include <cstdlib>

namespace {
// Rounded to the nearest integer, halves to the even one, in double precision.
int32_t DecibelSteps(double linear) {
  return static_cast<int32_t>(std::nearbyint(std::log(linear + 1.0) * 1085.73));
}
}  // namespace

int32_t LinearToDecibelVolume(int32_t Value) { return DecibelSteps(Value < 0 ? 0 : Value) - 10000; }

int32_t LinearToDecibelBalance(int32_t Value) {
  const int32_t r = DecibelSteps(std::abs(static_cast<double>(Value)));
  return Value < 0 ? r : -r;
}
