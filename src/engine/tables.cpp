#include "engine/tables.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "platform/win/cpu.h"
#include "platform/win/thread.h"

TVec8 InstrumentSpectrum[BinCount];
float BinFrequency[BinCount];
alignas(32) float WaveTables[BinCount][WaveTableSlots];
int32_t WavePosition[BinCount];
int32_t WaveWrapOffset[BinCount];
double TwiddleCos[TwiddleCount + 1];
double TwiddleNegSin[TwiddleCount + 1];
float NoteFrequency[NoteCount];
TRelaxed<bool> NoteEnabled[NoteCount];

// The twelve names in turn from A, the octave number rising at each C.
const char* const NoteName[NoteCount] = {
    "A0",  "A#0", "B0",  "C1",  "C#1", "D1",  "D#1", "E1",  "F1",  "F#1", "G1",  "G#1", "A1",
    "A#1", "B1",  "C2",  "C#2", "D2",  "D#2", "E2",  "F2",  "F#2", "G2",  "G#2", "A2",  "A#2",
    "B2",  "C3",  "C#3", "D3",  "D#3", "E3",  "F3",  "F#3", "G3",  "G#3", "A3",  "A#3", "B3",
    "C4",  "C#4", "D4",  "D#4", "E4",  "F4",  "F#4", "G4",  "G#4", "A4",  "A#4", "B4",  "C5",
    "C#5", "D5",  "D#5", "E5",  "F5",  "F#5", "G5",  "G#5", "A5",  "A#5", "B5",  "C6",  "C#6",
    "D6",  "D#6", "E6",  "F6",  "F#6", "G6",  "G#6", "A6",  "A#6", "B6",  "C7",  "C#7", "D7",
    "D#7", "E7",  "F7",  "F#7", "G7",  "G#7", "A7",  "A#7", "B7",  "C8",  "C#8", "D8",  "D#8",
    "E8",  "F8",  "F#8", "G8",  "G#8", "A8",  "A#8", "B8"};

// Black for the sharps, white for the rest; one row per octave from A.
// clang-format off
const TColor KeyColor[NoteCount] = {
    clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack,
    clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack,
    clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack,
    clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack,
    clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack,
    clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack,
    clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack,
    clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack, clWhite, clWhite, clBlack, clWhite, clBlack,
    clWhite, clBlack, clWhite,
};
// clang-format on

std::atomic<int32_t> MainBin{0};
TVec8 InstrumentVolume;
std::atomic<float> ClipVolume{0.0f};
TVec8 ZeroVec;
float MorphWeight[MorphWeightCount];
int32_t ThreadCount = 0;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kLn2 = 0.6931471805599453;

// The integer nearest to x, ties to even (the processor's default rounding mode).
int32_t Nearest(float x) { return static_cast<int32_t>(std::nearbyint(x)); }

// Blocks of eight samples that w cycles take at s samples per cycle.
int32_t BlocksFor(int32_t w, float s) {
  const float samples = static_cast<float>(w) * s;
  return Nearest(samples * 0.125f);
}

struct BinPlan {
  int32_t w;  // whole cycles in the table
  int32_t n;  // blocks of eight samples
  float d;    // phase step per sample
};

void BuildTwiddles() {
  TwiddleCos[0] = 0.0;
  TwiddleNegSin[0] = 0.0;
  for (int i = 1; i <= TwiddleCount; ++i) {
    TwiddleCos[i] = std::cos(kPi / i);
    TwiddleNegSin[i] = -std::sin(kPi / i);
  }
}

void BuildNotes() {
  for (int i = 0; i < NoteCount; ++i) {
    const double exponent = (i - 48) * kLn2 * (1.0 / 12.0);
    NoteFrequency[i] = static_cast<float>(std::exp(exponent) * 440.0);
    NoteEnabled[i] = true;
  }
}

// One continuous sine of amplitude 100 with phase step d, stored block-reversed: playing
// order starts at lane 0 of the top block n − 1 and ends at lane 7 of block 0.
void FillTable(int k, const BinPlan& plan) {
  float* table = WaveTables[k];
  float phase = 0.0f;
  for (int j = plan.n - 1; j >= 0; --j) {
    for (int m = 0; m < 8; ++m) {
      table[j * 8 + m] = static_cast<float>(std::sin(static_cast<double>(phase)) * 100.0);
      phase = phase + plan.d;
      if (static_cast<double>(phase) >= kTwoPi)
        phase = static_cast<float>(static_cast<double>(phase) - kTwoPi);
    }
  }
}

void BuildGrid() {
  // The grid recurrence runs from the top bin down and is cheap; the random start phases
  // follow it in the same order. Only the sine tables are heavy, and they are independent.
  static BinPlan plans[BinCount];
  const float g = std::bit_cast<float>(0x3F8030AAu);  // 1.0014851
  int32_t w = 510;
  float s = 4.0f;
  int32_t n = BlocksFor(w, s);
  for (int k = BinCount - 1; k >= 0; --k) {
    const int32_t samples = 8 * n;
    plans[k].w = w;
    plans[k].n = n;
    plans[k].d = static_cast<float>((w * kTwoPi) / samples);
    BinFrequency[k] = static_cast<float>(static_cast<double>(w * 48000) / samples);
    WaveWrapOffset[k] = (n - 1) * 32;

    s = s * g;
    n = BlocksFor(w, s);
    while (n >= 512) {
      --w;
      n = BlocksFor(w, s);
    }
  }
  ResetWavePositions();

  // One filler per processor this process may run on: confined to two, eight would only queue.
  DWORD_PTR processMask = 0, systemMask = 0;
  const unsigned processors = GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask)
                                  ? static_cast<unsigned>(std::popcount(processMask))
                                  : std::thread::hardware_concurrency();
  const unsigned workers = std::clamp(processors, 1u, 8u);
  auto fillEvery = [](unsigned first, unsigned stride) {
    ClearUpperVectorState();
    for (unsigned k = first; k < BinCount; k += stride) FillTable(static_cast<int>(k), plans[k]);
  };
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < workers; ++t) threads.emplace_back(fillEvery, t, workers);
  fillEvery(0, workers);
  for (std::thread& t : threads) t.join();
}

}  // namespace

void ResetWavePositions() {
  // Nothing else draws from this generator, so the phases are the same at every start.
  std::mt19937 random(0);
  for (int k = BinCount - 1; k >= 0; --k) {
    const auto n = static_cast<uint32_t>(WaveWrapOffset[k] / 32 + 1);
    WavePosition[k] = static_cast<int32_t>(RandomBelow(random(), n)) * 32;
  }
}

uint32_t RandomBelow(uint32_t u, uint32_t n) {
  return static_cast<uint32_t>((static_cast<uint64_t>(u) * n) >> 32);
}

void InitWaves(int32_t binCount) {
  BuildTwiddles();
  BuildNotes();
  if (binCount != BinCount) throw EAssertionFailed("Assertion failed (waves, line 452)");
  BuildGrid();
}

int32_t CountCalculationThreads(bool affinityKnown, uint64_t processMask, uint32_t processors) {
  const uint32_t affinity =
      affinityKnown ? static_cast<uint32_t>(std::popcount(processMask & 0xFFFFFFFFu)) : 0u;
  return static_cast<int32_t>(std::min(std::max(affinity, processors), 8u));
}

int32_t GetCPUCount() {
  DWORD_PTR processMask = 0, systemMask = 0;
  const bool known = GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) != 0;
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return CountCalculationThreads(known, processMask, info.dwNumberOfProcessors);
}

void InitAudioDefaults() {
  for (int i = 0; i < MorphWeightCount; ++i)
    MorphWeight[i] = static_cast<float>(std::cos((i - 64) * kPi * (1.0 / 65.0)) + 1.0);
  MainBin = 1024;
  ThreadCount = GetCPUCount();
  InstrumentVolume.Fill(std::bit_cast<float>(0x427FFE00u));  // 64 − 1/512
  ClipVolume = InstrumentVolume[0];
  ZeroVec.Fill(0.0f);
}
