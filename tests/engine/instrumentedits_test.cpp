#include "engine/instrumentedits.h"

#include <gtest/gtest.h>

#include <cmath>

#include "voice_fixture.h"

namespace {

using InstrumentEdits = EngineState;

bool AllLanesEqual(int32_t bin) {
  for (int lane = 1; lane < 8; ++lane)
    if (InstrumentSpectrum[bin][lane] != InstrumentSpectrum[bin][0]) return false;
  return true;
}

TEST_F(InstrumentEdits, DrawLineFillsTheBinsBetweenOnAStraightLineEitherWay) {
  struct Case {
    int32_t from, to;
  };
  for (const Case c : {Case{100, 110}, Case{110, 100}}) {
    SCOPED_TRACE(c.from);
    FlatSpectrum(0.0f);
    SetBinAmplitude(100, 0.25f);
    SetBinAmplitude(110, 0.75f);
    DrawLine(c.from, c.to);
    const float slope = (0.75f - 0.25f) / 10.0f;
    for (int32_t i = 101; i < 110; ++i) {
      EXPECT_EQ(BinAmplitude(i), slope * static_cast<float>(i - 100) + 0.25f) << i;
      EXPECT_TRUE(AllLanesEqual(i));
    }
    EXPECT_EQ(BinAmplitude(100), 0.25f);
    EXPECT_EQ(BinAmplitude(110), 0.75f);
    EXPECT_EQ(BinAmplitude(99), 0.0f);
    EXPECT_EQ(BinAmplitude(111), 0.0f);
  }
  FlatSpectrum(0.5f);
  DrawLine(7, 8);  // neighbours: nothing lies between
  DrawLine(7, 7);
  EXPECT_EQ(BinAmplitude(7), 0.5f);
}

TEST_F(InstrumentEdits, ShiftBandUpMovesTheAnchorByTheFullDistanceAndTheEdgesNot) {
  SetBinAmplitude(2000, 1.0f);
  SetBinAmplitude(2010, 0.5f);
  for (int32_t d : {-64, -63, 63, 64}) SetBinAmplitude(2000 + d, 0.125f);
  ShiftBand(2000, 2010);
  EXPECT_EQ(BinAmplitude(2000), 0.0f);
  EXPECT_EQ(BinAmplitude(2010), 1.0f) << "the anchor's amplitude, the bin's own moved on";
  EXPECT_EQ(BinAmplitude(2019), 0.5f);
  for (int32_t d : {-64, -63, 63, 64}) EXPECT_EQ(BinAmplitude(2000 + d), 0.125f) << d;
  EXPECT_TRUE(AllLanesEqual(2010) && AllLanesEqual(2000));
}

TEST_F(InstrumentEdits, ShiftBandDownNeverReachesBinZeroAndNothingMovesTwice) {
  for (int32_t b = 0; b <= 74; ++b) SetBinAmplitude(b, 1.0f);
  float before = 0.0f;
  for (int32_t b = 0; b < BinCount; ++b) before += BinAmplitude(b);
  ShiftBand(10, 0);
  EXPECT_EQ(BinAmplitude(0), 1.0f) << "bin 0 receives nothing";
  float after = 0.0f;
  for (int32_t b = 0; b < BinCount; ++b) after += BinAmplitude(b);
  EXPECT_EQ(after, before) << "amplitudes are moved, never doubled or lost";
  ShiftBand(3000, 3000);  // no distance: nothing moves
  ShiftBand(1 << 30, 0);  // an anchor far off the grid: an empty band
  EXPECT_EQ(BinAmplitude(0), 1.0f);
}

TEST_F(InstrumentEdits, MorphVolumeScalesTheBandByItsWeights) {
  FlatSpectrum(0.5f);
  const float k = MorphVolumeFactor(200, 190, 400);
  EXPECT_GT(k, 0.0f) << "moving up makes louder";
  EXPECT_LT(MorphVolumeFactor(200, 210, 400), 0.0f);
  MorphVolume(1000, k);
  EXPECT_EQ(BinAmplitude(1000), (k * 2.0f + 1.0f) * 0.5f);
  EXPECT_EQ(BinAmplitude(936), (k * MorphWeight[0] + 1.0f) * 0.5f);
  EXPECT_EQ(BinAmplitude(1064), (k * MorphWeight[128] + 1.0f) * 0.5f);
  EXPECT_EQ(BinAmplitude(935), 0.5f);
  EXPECT_EQ(BinAmplitude(1065), 0.5f);
  EXPECT_TRUE(AllLanesEqual(1000));
  MorphVolume(4095, -1.0f);  // the band is cut at the top of the grid
  EXPECT_EQ(BinAmplitude(4095), (-2.0f + 1.0f) * 0.5f);
}

TEST_F(InstrumentEdits, ResultsBeyondTheBoundStopAtItWithTheirSignAndTheRestAreExact) {
  constexpr float B = MaxEditAmplitude;
  const float k = 4.5f;  // a whole drag upward from the bottom row: the anchor grows tenfold
  const float weight = MorphWeight[64];
  struct Case {
    float before, after;
  };
  for (const Case c : {Case{B, B}, Case{-B, -B}, Case{B / 4, B}, Case{-B / 4, -B},
                       Case{B / 16, (k * weight + 1.0f) * (B / 16)}, Case{3e38f, B},
                       Case{0.5f, (k * weight + 1.0f) * 0.5f}, Case{0.0f, 0.0f}}) {
    SCOPED_TRACE(c.before);
    SetBinAmplitude(1000, c.before);
    MorphVolume(1000, k);
    EXPECT_EQ(BinAmplitude(1000), c.after);
    EXPECT_TRUE(AllLanesEqual(1000));
  }
  // A factor below zero turns the sign, and the bound holds the same way.
  SetBinAmplitude(1000, B / 2);
  MorphVolume(1000, -2.0f);
  EXPECT_EQ(BinAmplitude(1000), -B);

  // The band shift's sums, both ways: the anchor moves 64 bins onto the band's edge, which
  // stays and takes the sum.
  struct Sum {
    float moved, kept, after;
  };
  for (const Sum c : {Sum{B, B, B}, Sum{-B, -B, -B}, Sum{-3e38f, -3e38f, -B}, Sum{B, -B, 0.0f},
                      Sum{B / 2, B / 4, B / 2 + B / 4}}) {
    SCOPED_TRACE(c.moved);
    for (const int32_t target : {2064, 1936}) {
      ClearSpectrum();
      SetBinAmplitude(2000, c.moved);
      SetBinAmplitude(target, c.kept);
      ShiftBand(2000, target);
      EXPECT_EQ(BinAmplitude(target), c.after) << target;
      EXPECT_EQ(BinAmplitude(2000), 0.0f);
      EXPECT_TRUE(AllLanesEqual(target));
    }
  }

  // A line between amplitudes no edit makes (a loaded file's) stays within the bound; its
  // ends keep what they hold.
  ClearSpectrum();
  SetBinAmplitude(100, 2e38f);
  SetBinAmplitude(110, -1e38f);
  DrawLine(100, 110);
  for (int32_t i = 101; i < 110; ++i) EXPECT_LE(std::fabs(BinAmplitude(i)), B) << i;
  EXPECT_EQ(BinAmplitude(101), B);
  EXPECT_EQ(BinAmplitude(109), -B);
  EXPECT_EQ(BinAmplitude(100), 2e38f);
  EXPECT_EQ(BinAmplitude(110), -1e38f);
}

}  // namespace
