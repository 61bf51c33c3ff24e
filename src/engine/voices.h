// The ten voices: note operations from the input paths, and the per-block envelope step and
// state advance that the master of each block runs.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/tables.h"

inline constexpr int VoiceCount = 10;

enum : int32_t { vsFree = 0, vsAttack = 1, vsSustain = 2, vsRelease = 3 };

struct TVoice {
  int32_t Id = 0;
  int32_t State = vsFree;
  int32_t Bin = 0;      // the output bin that MainBin is shifted onto
  float Volume = 0.0f;  // requested volume × InstrumentVolume lane 0
  int32_t AttackLeft = 0;
  int32_t ReleaseLeft = 0;  // set at note on, counted down only in release
  float* Cur = BufferA;     // per output bin: amplitude at the start of the block
  float* Next = BufferB;    // per output bin: amplitude at the end of the block
  alignas(32) float BufferA[BinCount] = {};
  alignas(32) float BufferB[BinCount] = {};
};

extern TVoice Voices[VoiceCount];

// Note operations (GUI thread). Each waits, polling every millisecond, until no block is being
// computed; attack and release positions are read from the settings at the call.
void NoteOn(int32_t Id, float Frequency, float Volume);
void NoteMove(int32_t Id, float Frequency, float Volume);
void NoteOff(int32_t Id);

// Every voice in attack or sustain goes to release (the settings window's input switch).
void ReleaseAllVoices();

// Every voice free, without an id and silent, as at start (under the same exclusion).
void FreeAllVoices();

// Runs any other change of the voice table under the note operations' exclusion: waits until
// no block is being computed and keeps a master from beginning until `change` returns.
// `change` must not call the note operations themselves.
void WithVoicesLocked(const std::function<void()>& change);

// The bin nearest to a frequency: an exact tie goes to the lower bin, equal-frequency
// neighbours to the last of them; below the grid bin 0, at or above 12000 Hz bin 4095.
int32_t NearestBin(float Frequency);

// Master side. A master marks the computation busy through this, so that the mark and a note
// operation's test-and-change cannot interleave.
void MarkVoicesBusy();
// Writes the voice's Next amplitudes for the coming block (before the kernels).
void EnvelopeStep(TVoice& voice);
// Counts the block down and exchanges the amplitude arrays (after the block is complete).
void AdvanceState(TVoice& voice);
