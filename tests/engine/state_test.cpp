#include "engine/state.h"

#include <gtest/gtest.h>

#include "voice_fixture.h"

namespace {

using EngineReset = EngineState;

// After notes, blocks, edits and an import buffer, one call gives back the start state.
TEST_F(EngineReset, OneCallPutsBackWhatInitLeaves) {
  const TEngineSnapshot start = TakeEngineSnapshot();
  EXPECT_EQ(start.MainBin, 1024);
  EXPECT_EQ(start.Volume[0], 63.998046875f);
  EXPECT_EQ(start.SampleCount, 0);

  FlatSpectrum(0.01f);
  settings.attack = 3;
  settings.release = 5;
  NoteOn(7, 440.0f, 0.5f);
  NoteOn(8, 880.0f, 0.25f);
  for (int i = 0; i < 4; ++i) MixVoices();
  NoteOff(7);
  MixVoices();
  MainBin = 2000;
  InstrumentVolume.Fill(12.0f);
  ClipVolume = 3.0f;
  ThreadCount = 1;
  NoteEnabled[5] = false;
  SampleCount = 99;
  FftLowBin = 18;
  RecordingFault = 28;
  ASSERT_NE(TakeEngineSnapshot(), start);

  ResetEngineState();
  EXPECT_TRUE(TakeEngineSnapshot() == start);
}

}  // namespace
