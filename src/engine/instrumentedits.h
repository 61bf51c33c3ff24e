// The instrument editor's tool edits, kept apart from the window so they can be tested
// headless: each reads lane 0 of the bins of InstrumentSpectrum and writes all eight lanes, in
// single precision and bin by bin in the order the tool visits them. They run on the GUI
// thread; a block in progress may see an edit half applied.
#pragma once

#include <cstdint>

// The largest amplitude magnitude an edit makes, so that every sum the engine forms from the
// spectrum stays finite. The largest is in play mode: ten voices on one output bin, each at
// the largest instrument volume (under 64), times the wavetable peak of 100, summed over 4096
// bins: 10 × 64 × 100 × 4096 = 125 × 2^21 per unit of amplitude. The preview sums 4096 × 100
// per unit and then multiplies by the same volume, ten times less. The envelopes only blend
// a voice's amplitudes toward the target or scale them down, so no ramp goes beyond it.
// With 2^100, the worst sum is 125 × 2^121, below the largest single-precision value (just
// under 128 × 2^121) by 2.4 %, far more than the rounding of 4096 additions can add (under
// 0.03 %); 2^101 would overflow. The mixer clips a finite sum to a sample of its own sign.
inline constexpr float MaxEditAmplitude = 0x1p100f;

// Lane 0 of a bin, and a new amplitude for all eight lanes.
float BinAmplitude(int32_t Bin);
void SetBinAmplitude(int32_t Bin, float Amplitude);

// Sets every bin to ZeroVec.
void ClearSpectrum();

// Edited results are kept within ±MaxEditAmplitude: a result beyond it (infinite included)
// becomes MaxEditAmplitude with the result's sign; every result within it is stored as it is.

// Puts the bins strictly between two bins on the straight line joining their amplitudes,
// counted from the lower bin L to the upper bin U: slope = (A(U) − A(L)) / (U − L), then
// A(i) = slope × (i − L) + A(L). The two end bins keep their amplitudes.
void DrawLine(int32_t FromBin, int32_t ToBin);

// The volume morph's factor for a move from row FromY to row Y of a drawing area Rows rows
// high: k = (4 × FromY / Rows + 0.5) × ((FromY − Y) / Rows), computed in double and returned
// in single. Moving up gives k > 0 (louder), moving down k < 0.
float MorphVolumeFactor(int32_t FromY, int32_t Y, int32_t Rows);
// Scales the 129 bins around Anchor: A(i) becomes (k × MorphWeight[i − Anchor + 64] + 1) × A(i).
void MorphVolume(int32_t Anchor, float k);

// Moves the band of 129 bins around Anchor toward Target, each bin by
// round(|Target − Anchor| × MorphWeight[i − Anchor + 64] × 0.5) bins, adding into the bin it
// reaches and leaving ZeroVec behind; no bin is moved below bin 1 or above bin 4095.
void ShiftBand(int32_t Anchor, int32_t Target);
