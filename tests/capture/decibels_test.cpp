// Linear volume and balance in hundredths of a decibel, rounded half to even.
#include "capture/dsaux/decibels.h"

#include <gtest/gtest.h>

namespace {

TEST(Decibels, VolumeAndBalance) {
  const struct Case {
    int32_t value, volume, balance;
  } cases[] = {
      {0, -10000, 0},       {1, -9247, -753},        {100, -4989, -5011},
      {1000, -2499, -7501}, {5000, -752, -9248},     {9999, 0, -10000},
      {10000, 0, -10000},   {-10000, -10000, 10000}, {-1, -10000, 753},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinearToDecibelVolume(c.value), c.volume) << c.value;
    EXPECT_EQ(LinearToDecibelBalance(c.value), c.balance) << c.value;
  }
}

}  // namespace
