#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <set>

#include "engine/waves.h"
#include "engine_fixture.h"

namespace {

class Tables : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureEngineTables(); }
};

int Blocks(int k) { return WaveWrapOffset[k] / 32 + 1; }
// Whole cycles held by table k, recovered from its frequency.
int Cycles(int k) {
  return static_cast<int>(std::lround(double(BinFrequency[k]) * 8 * Blocks(k) / 48000.0));
}

TEST_F(Tables, GridMatchesTheKnownBinsBitForBit) {
  struct Row {
    int bin, w, n;
    double hz;
  };
  const Row rows[] = {{0, 2, 436, 27.52293586730957},      {1, 2, 435, 27.586206436157227},
                      {1024, 10, 477, 125.78616333007812}, {2048, 49, 511, 575.3424682617188},
                      {3626, 510, 511, 5988.25830078125},  {4000, 510, 294, 10408.1630859375},
                      {4094, 510, 255, 12000.0},           {4095, 510, 255, 12000.0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.bin);
    EXPECT_EQ(BinFrequency[r.bin], static_cast<float>(r.hz));
    EXPECT_EQ(static_cast<double>(BinFrequency[r.bin]), r.hz);
    EXPECT_EQ(Blocks(r.bin), r.n);
    EXPECT_EQ(WaveWrapOffset[r.bin], (r.n - 1) * 32);
    EXPECT_EQ(Cycles(r.bin), r.w);
  }
  // w holds at 510 down to bin 3626 and drops below it.
  EXPECT_EQ(Cycles(3625), 509);
}

TEST_F(Tables, GridIsNonDecreasingWith2957DistinctFrequencies) {
  std::set<float> distinct(BinFrequency, BinFrequency + BinCount);
  EXPECT_EQ(distinct.size(), 2957u);
  int shared = 0;
  for (int k = 1; k < BinCount; ++k) {
    ASSERT_LE(BinFrequency[k - 1], BinFrequency[k]) << k;
    shared += BinFrequency[k - 1] == BinFrequency[k];
  }
  EXPECT_EQ(shared, 1139);
  EXPECT_EQ(BinFrequency[1023], BinFrequency[1024]);
}

TEST_F(Tables, TableLengthsStayWithin2040And4088Samples) {
  int shortest = 1 << 30, longest = 0;
  long long total = 0;
  for (int k = 0; k < BinCount; ++k) {
    shortest = std::min(shortest, 8 * Blocks(k));
    longest = std::max(longest, 8 * Blocks(k));
    total += 8 * Blocks(k);
  }
  EXPECT_EQ(shortest, 2040);
  EXPECT_EQ(longest, 4088);
  EXPECT_EQ(total, 15623712);
}

// Playing order: lane 0 of the top block first, down to lane 7 of block 0, then wrap.
float PlayedSample(int k, long t) {
  const int n = Blocks(k);
  const long i = t % (8L * n);
  return WaveTables[k][(n - 1 - i / 8) * 8 + i % 8];
}

TEST_F(Tables, EveryTableLoopsAsOneContinuousSineOfAmplitude100) {
  for (int k : {0, 1, 500, 1023, 1024, 2048, 3000, 3626, 4000, 4094, 4095}) {
    SCOPED_TRACE(k);
    const int n = Blocks(k), w = Cycles(k);
    EXPECT_EQ(PlayedSample(k, 0), 0.0f);  // block n − 1, lane 0 has phase 0
    double worst = 0;
    for (long t = 0; t < 8L * n + 64; ++t) {
      const double ideal = 100.0 * std::sin(2 * M_PI * w * double(t % (8L * n)) / (8.0 * n));
      worst = std::max(worst, std::abs(PlayedSample(k, t) - ideal));
    }
    // Single-precision phase accumulation drifts a little over a table; a seam would not.
    EXPECT_LT(worst, 0.05);
  }
}

TEST_F(Tables, FirstSamplesFollowTheSinglePrecisionPhaseSteps) {
  // Bin 4095: four samples per cycle, d = single(2π/4).
  const float d = static_cast<float>((510 * 6.283185307179586) / 2040);
  float phase = 0;
  for (int t = 0; t < 16; ++t) {
    EXPECT_EQ(PlayedSample(4095, t), static_cast<float>(std::sin(double(phase)) * 100.0)) << t;
    phase += d;
    if (double(phase) >= 6.283185307179586) phase = float(double(phase) - 6.283185307179586);
  }
}

TEST_F(Tables, StartPhasesAreTheSameAtEveryStart) {
  EXPECT_EQ(WavePosition[4095], 139 * 32);
  EXPECT_EQ(WavePosition[4094], 151 * 32);
  EXPECT_EQ(WavePosition[4093], 183 * 32);
  EXPECT_EQ(WavePosition[1024], 392 * 32);
  EXPECT_EQ(WavePosition[0], 224 * 32);
  // One MT19937 (seed 0) draw per bin from the top down, scaled into the table.
  std::mt19937 random(0);
  for (int k = BinCount - 1; k >= 0; --k) {
    const uint64_t u = random();
    ASSERT_EQ(WavePosition[k], static_cast<int32_t>((u * Blocks(k)) >> 32) * 32) << k;
    ASSERT_GE(WavePosition[k], 0);
    ASSERT_LE(WavePosition[k], WaveWrapOffset[k]);
  }
}

TEST_F(Tables, WaveTablesSitAtA16KiBStrideAndAligned) {
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&WaveTables[0][0]) % 32, 0u);
  EXPECT_EQ(
      reinterpret_cast<const char*>(WaveTables[1]) - reinterpret_cast<const char*>(WaveTables[0]),
      16384);
  EXPECT_EQ(sizeof(WaveTables), 64u << 20);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&InstrumentSpectrum[0]) % 32, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&InstrumentVolume) % 32, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&ZeroVec) % 32, 0u);
}

TEST_F(Tables, TwiddlesHoldCosAndMinusSinOfPiOverI) {
  EXPECT_EQ(TwiddleCos[0], 0.0);
  EXPECT_EQ(TwiddleNegSin[0], 0.0);
  EXPECT_EQ(TwiddleCos[1], -1.0);
  EXPECT_EQ(TwiddleNegSin[2], -1.0);
  EXPECT_EQ(TwiddleCos[32768], std::cos(3.141592653589793 / 32768));
  EXPECT_EQ(TwiddleNegSin[12345], -std::sin(3.141592653589793 / 12345));
}

TEST_F(Tables, NoteTables) {
  EXPECT_EQ(NoteFrequency[48], 440.0f);
  EXPECT_EQ(NoteFrequency[0], 27.5f);
  EXPECT_NEAR(NoteFrequency[98], 7902.13, 0.005);
  for (int i = 0; i < NoteCount; ++i) {
    const double exact = std::exp((i - 48) * 0.6931471805599453 * (1.0 / 12)) * 440;
    EXPECT_EQ(NoteFrequency[i], static_cast<float>(exact)) << i;
  }
  EXPECT_STREQ(NoteName[0], "A0");
  EXPECT_STREQ(NoteName[1], "A#0");
  EXPECT_STREQ(NoteName[3], "C1");
  EXPECT_STREQ(NoteName[48], "A4");
  EXPECT_STREQ(NoteName[98], "B8");
  int black = 0;
  for (int i = 0; i < NoteCount; ++i) {
    const bool sharp = std::strchr(NoteName[i], '#') != nullptr;
    EXPECT_EQ(KeyColor[i], sharp ? clBlack : clWhite) << NoteName[i];
    black += sharp;
  }
  EXPECT_EQ(black, 41);
}

TEST_F(Tables, DefaultsOfTheEngine) {
  // Other tests in this program change the shared state; the defaults are what this sets.
  MainBin = 7;
  ClipVolume = 1.0f;
  InitAudioDefaults();
  EXPECT_EQ(MainBin.load(), 1024);
  for (int m = 0; m < 8; ++m) {
    EXPECT_EQ(std::bit_cast<uint32_t>(InstrumentVolume[m]), 0x427FFE00u);
    EXPECT_EQ(ZeroVec[m], 0.0f);
  }
  EXPECT_EQ(ClipVolume.load(), 63.998046875f);
  EXPECT_GE(ThreadCount, 1);
  EXPECT_LE(ThreadCount, 8);
  EXPECT_EQ(MorphWeight[64], 2.0f);
  EXPECT_EQ(MorphWeight[0], MorphWeight[128]);
  EXPECT_NEAR(MorphWeight[0], 0.00117, 0.00001);
  EXPECT_EQ(MorphWeight[10],
            static_cast<float>(std::cos((10 - 64) * 3.141592653589793 * (1.0 / 65)) + 1.0));
}

TEST(InitWavesArgument, AnyBinCountButFourThousandNinetySixFailsTheAssertion) {
  EXPECT_THROW(InitWaves(4095), EAssertionFailed);
  EXPECT_THROW(InitWaves(0), EAssertionFailed);
}

TEST(CalculationThreads, LargerOfAffinityAndProcessorsAtMostEight) {
  EXPECT_EQ(CountCalculationThreads(true, 0xFFFF, 16), 8);
  EXPECT_EQ(CountCalculationThreads(true, 0xF, 16), 8);
  EXPECT_EQ(CountCalculationThreads(true, 0x3, 2), 2);
  EXPECT_EQ(CountCalculationThreads(true, 0xF0, 2), 4);
  EXPECT_EQ(CountCalculationThreads(false, 0xFF, 3), 3);
  // Only the low 32 bits of the mask count.
  EXPECT_EQ(CountCalculationThreads(true, 0xFFull << 32, 1), 1);
  EXPECT_GE(GetCPUCount(), 1);
}

}  // namespace
