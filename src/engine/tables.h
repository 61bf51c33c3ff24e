// Frequency grid, wavetables, note tables, FFT twiddles and the engine's shared defaults.
#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>

#include "engine/relaxed.h"

// Eight single-precision lanes: one 256-bit vector. Where a TVec8 holds an amplitude or a
// volume, all eight lanes hold the same value and every writer writes all eight.
struct alignas(32) TVec8 {
  float v[8];
  float& operator[](int i) { return v[i]; }
  float operator[](int i) const { return v[i]; }
  void Fill(float x) {
    for (float& lane : v) lane = x;
  }
};
static_assert(sizeof(TVec8) == 32 && alignof(TVec8) == 32);

// The runtime's assertion failure (raised by InitWaves for an unsupported bin count).
class EAssertionFailed : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

inline constexpr int BinCount = 4096;
inline constexpr int WaveTableSlots = 4096;  // f32 slots per table: a 16 KiB stride
inline constexpr int NoteCount = 99;         // A0 .. B8
inline constexpr int TwiddleCount = 32768;
inline constexpr int MorphWeightCount = 129;

// Colours as the playing surface uses them (0x00BBGGRR).
using TColor = uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;

extern TVec8 InstrumentSpectrum[BinCount];
extern float BinFrequency[BinCount];
// Table k holds 8·n(k) samples of a sine of amplitude 100, block-reversed: playing order runs
// from the top block down to block 0 and wraps to the top again.
alignas(32) extern float WaveTables[BinCount][WaveTableSlots];
// Read position of each table as the byte offset of a block of eight samples (block × 32).
extern int32_t WavePosition[BinCount];
// Byte offset of each table's top block: (n − 1) × 32.
extern int32_t WaveWrapOffset[BinCount];
extern double TwiddleCos[TwiddleCount + 1];
extern double TwiddleNegSin[TwiddleCount + 1];
extern float NoteFrequency[NoteCount];
// Set by the settings window, read by the mapping of every input (the camera's thread too).
extern TRelaxed<bool> NoteEnabled[NoteCount];
extern const char* const NoteName[NoteCount];
extern const TColor KeyColor[NoteCount];

// Shared with the windows without a lock on purpose: scalars are relaxed atomics.
extern std::atomic<int32_t> MainBin;
extern TVec8 InstrumentVolume;
extern std::atomic<float> ClipVolume;
extern TVec8 ZeroVec;
extern float MorphWeight[MorphWeightCount];
extern int32_t ThreadCount;

// Builds the twiddle tables, the note tables, the grid and the wavetables, in that order.
// Only 4096 bins are supported; any other count fails the assertion.
void InitWaves(int32_t binCount);

// The engine's defaults (the first part of InitAudio): MorphWeight, MainBin, ThreadCount,
// InstrumentVolume, ClipVolume and ZeroVec.
void InitAudioDefaults();

// Calculation threads per block: the larger of the affinity count and the processor count,
// at most 8.
int32_t GetCPUCount();
// The rule behind GetCPUCount, apart from the system calls.
int32_t CountCalculationThreads(bool affinityKnown, uint64_t processMask, uint32_t processors);

// The tables' start phases: Random(n(k)) × 32 for k = 4095 down to 0, from an MT19937 with
// seed 0. Part of InitWaves; needs the wrap offsets.
void ResetWavePositions();

// Random(n) of the table start phases: floor(u · n / 2^32) of the next MT19937 output.
uint32_t RandomBelow(uint32_t u, uint32_t n);
