// Tests that play notes and compute blocks: the engine's shared state is saved before each
// test and restored after it, so that table tests later in the same run see the start state.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/waves.h"
#include "engine_fixture.h"

// Slider positions as the settings window would report them.
class TTestSettings : public TEngineSettings {
 public:
  int32_t attack = 1;
  int32_t release = 1;
  int32_t AttackPosition() const override { return attack; }
  int32_t ReleasePosition() const override { return release; }
  int32_t NoisePosition() const override { return DefaultNoisePosition; }
};

inline void FreeAllVoices() {
  for (TVoice& voice : Voices) {
    voice.Id = 0;
    voice.State = vsFree;
    voice.Bin = 0;
    voice.Volume = 0.0f;
    voice.AttackLeft = 0;
    voice.ReleaseLeft = 0;
    voice.Cur = voice.BufferA;
    voice.Next = voice.BufferB;
    std::fill(std::begin(voice.BufferA), std::end(voice.BufferA), 0.0f);
    std::fill(std::begin(voice.BufferB), std::end(voice.BufferB), 0.0f);
  }
}

class EngineState : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureEngineTables(); }

  void SetUp() override {
    positions_.assign(WavePosition, WavePosition + BinCount);
    spectrum_.assign(InstrumentSpectrum, InstrumentSpectrum + BinCount);
    volume_ = InstrumentVolume;
    clip_ = ClipVolume.load();
    mainBin_ = MainBin.load();
    threads_ = ThreadCount;
    // Start from the engine's defaults with a silent instrument, whatever ran before.
    FlatSpectrum(0.0f);
    InstrumentVolume.Fill(63.998046875f);
    ClipVolume = InstrumentVolume[0];
    MainBin = 1024;
    CalcBusy = 0;
    FreeAllVoices();
    previous_ = SetEngineSettings(&settings);
  }

  void TearDown() override {
    while (CalcBusy.load() != 0) {
    }
    SetEngineSettings(previous_);
    FreeAllVoices();
    std::copy(positions_.begin(), positions_.end(), WavePosition);
    std::copy(spectrum_.begin(), spectrum_.end(), InstrumentSpectrum);
    InstrumentVolume = volume_;
    ClipVolume = clip_;
    MainBin = mainBin_;
    ThreadCount = threads_;
  }

  // Every bin the same amplitude.
  static void FlatSpectrum(float amplitude) {
    for (TVec8& bin : InstrumentSpectrum) bin.Fill(amplitude);
  }

  TTestSettings settings;

 private:
  std::vector<int32_t> positions_;
  std::vector<TVec8> spectrum_;
  TVec8 volume_{};
  float clip_ = 0.0f;
  int32_t mainBin_ = 0;
  int32_t threads_ = 1;
  TEngineSettings* previous_ = nullptr;
};
