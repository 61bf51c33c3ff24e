#include "engine/instrumentedits.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/tables.h"

namespace {

// Nearest, ties to even; a shift far beyond the grid (an anchor dragged far off the window)
// saturates instead of overflowing.
int32_t RoundEven(float x) {
  const double r = std::nearbyint(static_cast<double>(x));
  if (!(r >= -2147483648.0)) return INT32_MIN;
  if (r > 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(r);
}

// An edited amplitude within the editor's bound: larger magnitudes, infinities among them, keep
// their sign at the bound. No operand of an edit is NaN, so neither is a result.
float Bounded(float a) {
  return std::fabs(a) <= MaxEditAmplitude ? a : std::copysign(MaxEditAmplitude, a);
}

// The bins of the band around an anchor that lie on the grid.
int32_t BandLow(int32_t Anchor) { return std::max(0, Anchor - 64); }
int32_t BandHigh(int32_t Anchor) { return std::min(BinCount - 1, Anchor + 64); }

}  // namespace

float BinAmplitude(int32_t Bin) { return InstrumentSpectrum[Bin][0]; }

void SetBinAmplitude(int32_t Bin, float Amplitude) { InstrumentSpectrum[Bin].Fill(Amplitude); }

void ClearSpectrum() {
  for (TVec8& bin : InstrumentSpectrum) bin = ZeroVec;
}

void DrawLine(int32_t FromBin, int32_t ToBin) {
  const int32_t L = std::min(FromBin, ToBin);
  const int32_t U = std::max(FromBin, ToBin);
  if (U - L < 2) return;
  const float aL = BinAmplitude(L);
  const float slope = (BinAmplitude(U) - aL) / static_cast<float>(U - L);
  for (int32_t i = L + 1; i < U; ++i)
    SetBinAmplitude(i, Bounded(slope * static_cast<float>(i - L) + aL));
}

float MorphVolumeFactor(int32_t FromY, int32_t Y, int32_t Rows) {
  const float dy = static_cast<float>(static_cast<double>(FromY - Y) / Rows);
  return static_cast<float>((4.0 * FromY / Rows + 0.5) * static_cast<double>(dy));
}

void MorphVolume(int32_t Anchor, float k) {
  const int32_t lo = BandLow(Anchor), hi = BandHigh(Anchor);
  for (int32_t i = lo; i <= hi; ++i)
    SetBinAmplitude(i, Bounded((k * MorphWeight[i - Anchor + 64] + 1.0f) * BinAmplitude(i)));
}

void ShiftBand(int32_t Anchor, int32_t Target) {
  const int32_t m = Anchor, t = Target;
  const int32_t lo = BandLow(m), hi = BandHigh(m);
  // Visiting from the far end toward the target side makes every target a bin already
  // visited in this event, so no amplitude moves twice.
  if (t < m) {
    const float distance = static_cast<float>(m - t);
    for (int32_t i = lo; i <= hi; ++i) {
      const int32_t s = RoundEven(distance * (MorphWeight[i - m + 64] * 0.5f));
      if (s > 0 && i - s >= 1) {
        SetBinAmplitude(i - s, Bounded(BinAmplitude(i - s) + BinAmplitude(i)));
        InstrumentSpectrum[i] = ZeroVec;
      }
    }
  } else if (t > m) {
    const float distance = static_cast<float>(t - m);
    for (int32_t i = hi; i >= lo; --i) {
      const int32_t s = RoundEven(distance * (MorphWeight[i - m + 64] * 0.5f));
      if (s > 0 && i + s <= BinCount - 1) {
        SetBinAmplitude(i + s, Bounded(BinAmplitude(i + s) + BinAmplitude(i)));
        InstrumentSpectrum[i] = ZeroVec;
      }
    }
  }
}
