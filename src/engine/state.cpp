#include "engine/state.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/import.h"
#include "engine/mixer.h"
#include "engine/output.h"
#include "engine/recording.h"
#include "engine/tables.h"
#include "engine/voices.h"

namespace {

template <class T, size_t N>
void Zero(T (&array)[N]) {
  std::memset(static_cast<void*>(array), 0, sizeof array);
}

void AppendLanes(std::vector<float>& out, const TVec8& v) { out.insert(out.end(), v.v, v.v + 8); }

}  // namespace

void ResetEngineState() {
  StopAudio();
  StopRecording();
  // A master started before the stop may still be finishing its block.
  while (CalcBusy.load() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  InitAudio();
  ResetWavePositions();
  std::fill(std::begin(NoteEnabled), std::end(NoteEnabled), true);
  for (TVec8& bin : InstrumentSpectrum) bin.Fill(0.0f);
  FreeAllVoices();

  for (TWorkBlock& block : WorkBlocks) {
    Zero(block.Samples);
    block.Done.store(0);
    block.First = block.Last = 0;
  }
  Zero(BinAmp);
  Zero(BinStep);
  Zero(BinActive);
  Zero(OutBlock);

  WaveOutHandle = nullptr;
  AudioFormat = {};
  AudioOpenResult = MMSYSERR_NOERROR;
  SecondHalfPending.store(false);
  for (WAVEHDR& hdr : WaveHeaders) std::memset(hdr.lpData, 0, hdr.dwBufferLength);
  RecordedBytes.store(0);
  RecordingFault.store(0);

  SampleRateRatio = 0.0f;
  Zero(FftData);
  Zero(FftMagnitude);
  FftLowBin = FftHighBin = 0;
}

TEngineSnapshot TakeEngineSnapshot() {
  TEngineSnapshot s;
  s.WavePosition.assign(std::begin(WavePosition), std::end(WavePosition));
  for (const TVec8& bin : InstrumentSpectrum) AppendLanes(s.Spectrum, bin);
  s.MainBin = MainBin.load();
  AppendLanes(s.Volume, InstrumentVolume);
  s.ClipVolume = ClipVolume.load();
  AppendLanes(s.ZeroVec, ZeroVec);
  s.MorphWeight.assign(std::begin(MorphWeight), std::end(MorphWeight));
  s.ThreadCount = ThreadCount;
  s.NoteEnabled.assign(std::begin(NoteEnabled), std::end(NoteEnabled));
  for (const TVoice& v : Voices) {
    s.VoiceFields.insert(s.VoiceFields.end(), {v.Id, v.State, v.Bin, v.AttackLeft, v.ReleaseLeft,
                                               v.Cur == v.BufferA ? 1 : 0});
    s.VoiceAmplitudes.push_back(v.Volume);
    s.VoiceAmplitudes.insert(s.VoiceAmplitudes.end(), std::begin(v.BufferA), std::end(v.BufferA));
    s.VoiceAmplitudes.insert(s.VoiceAmplitudes.end(), std::begin(v.BufferB), std::end(v.BufferB));
  }
  s.CalcBusy = CalcBusy.load();
  s.OutBlock.assign(std::begin(OutBlock), std::end(OutBlock));
  for (const TVec8& v : BinAmp) AppendLanes(s.BinRamps, v);
  for (const TVec8& v : BinStep) AppendLanes(s.BinRamps, v);
  s.BinActive.assign(std::begin(BinActive), std::end(BinActive));
  s.AudioOpen = AudioOpen.load();
  s.AudioOpenResult = AudioOpenResult;
  s.SecondHalfPending = SecondHalfPending.load();
  s.Recording = Recording.load();
  s.RecordedBytes = RecordedBytes.load();
  s.RecordingFault = RecordingFault.load();
  s.SampleCount = SampleCount;
  s.SampleDataSize = SampleData.size();
  s.SampleRateRatio = SampleRateRatio;
  s.FftLowBin = FftLowBin;
  s.FftHighBin = FftHighBin;
  return s;
}
