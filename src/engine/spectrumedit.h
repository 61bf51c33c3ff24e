// The instrument editor's edits of the spectrum, apart from the window: each works on bins of
// InstrumentSpectrum (reading lane 0, writing all eight lanes) in single precision and in the
// order the tools fix. GUI thread; a block in progress may see an edit half applied.
#pragma once

#include <cstdint>

// Lane 0 of a bin, and a new amplitude for all eight lanes.
float BinAmplitude(int32_t Bin);
void SetBinAmplitude(int32_t Bin, float Amplitude);

// Every bin := ZeroVec.
void ClearSpectrum();

// The bins strictly between two bins on a straight line between their amplitudes:
// slope := (A(U) − A(L)) / (U − L), A(i) := slope × (i − L) + A(L). The two ends stay.
void DrawLine(int32_t FromBin, int32_t ToBin);

// The volume morph's factor for a move from row FromY to row Y of a drawing area Rows rows
// high (T − 1 − P): k := (4 × FromY / Rows + 0.5) × ((FromY − Y) / Rows), in double, stored
// in single.
float MorphVolumeFactor(int32_t FromY, int32_t Y, int32_t Rows);
// Scales the 129 bins around Anchor: A(i) := (k × MorphWeight[i − Anchor + 64] + 1) × A(i).
void MorphVolume(int32_t Anchor, float k);

// Moves the band of 129 bins around Anchor toward Target, each bin by
// round(|Target − Anchor| × MorphWeight[i − Anchor + 64] × 0.5) bins, adding into the bin it
// reaches and leaving ZeroVec behind; no bin is moved below bin 1 or above bin 4095.
void ShiftBand(int32_t Anchor, int32_t Target);
