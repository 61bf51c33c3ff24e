// The engine's state in one place. The engine keeps its plain globals; this puts all of them
// back to what InitWaves and InitAudio leave, and reads them as one comparable picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Stops sound output and a running recording, waits for a block in progress, then sets every
// global the engine changes while it runs back to its start: the defaults and buffers of
// InitAudio, the tables' start phases, every note enabled, a silent instrument, free voices,
// no block, no imported samples. The tables InitWaves builds are not rebuilt. GUI thread.
void ResetEngineState();

// Everything ResetEngineState sets, as values. Equal snapshots mean equal engine states.
struct TEngineSnapshot {
  std::vector<int32_t> WavePosition;
  std::vector<float> Spectrum;  // every lane of every bin
  int32_t MainBin = 0;
  std::vector<float> Volume;  // the eight lanes of InstrumentVolume
  float ClipVolume = 0.0f;
  std::vector<float> ZeroVec;
  std::vector<float> MorphWeight;
  int32_t ThreadCount = 0;
  std::vector<bool> NoteEnabled;
  // Per voice: Id, State, Bin, AttackLeft, ReleaseLeft, whether Cur is BufferA.
  std::vector<int32_t> VoiceFields;
  std::vector<float> VoiceAmplitudes;  // Volume, then BufferA and BufferB of every voice
  int32_t CalcBusy = 0;
  std::vector<int16_t> OutBlock;
  std::vector<float> BinRamps;  // BinAmp and BinStep, every lane
  std::vector<int32_t> BinActive;
  bool AudioOpen = false;
  uint32_t AudioOpenResult = 0;
  bool SecondHalfPending = false;
  bool Recording = false;
  int32_t RecordedBytes = 0;
  int RecordingFault = 0;
  int32_t SampleCount = 0;
  size_t SampleDataSize = 0;
  float SampleRateRatio = 0.0f;
  int32_t FftLowBin = 0;
  int32_t FftHighBin = 0;

  bool operator==(const TEngineSnapshot&) const = default;
};

TEngineSnapshot TakeEngineSnapshot();
