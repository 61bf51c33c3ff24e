#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "reference_engine.h"
#include "voice_fixture.h"

namespace {

class VoiceTable : public EngineState {
 protected:
  void SetUp() override {
    EngineState::SetUp();
    ThreadCount = 2;
  }
  static int CountInState(int32_t state) {
    int n = 0;
    for (const TVoice& v : Voices) n += v.State == state;
    return n;
  }
};

TEST_F(VoiceTable, NearestBinClampsAndPrefersTheLowerBinOnTiesAndTheLastOfEqualBins) {
  EXPECT_EQ(NearestBin(20000.0f), 4095);
  EXPECT_EQ(NearestBin(12000.0f), 4095);
  EXPECT_EQ(NearestBin(10.0f), 0);
  EXPECT_EQ(NearestBin(BinFrequency[0]), 0);
  ASSERT_EQ(BinFrequency[1023], BinFrequency[1024]);
  EXPECT_EQ(NearestBin(BinFrequency[1023]), 1024);

  // Exact ties between neighbours of different frequency go to the lower one.
  int ties = 0;
  for (int i = 1; i < BinCount; ++i) {
    const float lo = BinFrequency[i - 1], hi = BinFrequency[i];
    if (lo == hi) continue;
    const float mid = lo + (hi - lo) * 0.5f;
    if (hi - mid != mid - lo) continue;
    int expected = i - 1;
    while (expected + 1 < i && BinFrequency[expected + 1] == lo) ++expected;
    EXPECT_EQ(NearestBin(mid), expected) << i;
    ++ties;
  }
  EXPECT_GT(ties, 100);

  // Everything else agrees with a plain scan of the grid.
  std::mt19937 random(3);
  std::uniform_real_distribution<float> hz(0.0f, 13000.0f);
  for (int n = 0; n < 20000; ++n) {
    const float f = hz(random);
    ASSERT_EQ(NearestBin(f), RefEngine::Nearest(f)) << f;
  }
  for (int i = 0; i < BinCount; ++i)
    ASSERT_EQ(NearestBin(BinFrequency[i]), RefEngine::Nearest(BinFrequency[i]));
}

TEST_F(VoiceTable, EleventhNoteIsDroppedUntilAVoiceReleasesThenStealsItFromSilence) {
  for (int id = 1; id <= 10; ++id) NoteOn(id, 100.0f * id, 0.5f);
  EXPECT_EQ(CountInState(vsAttack), 10);
  NoteOn(11, 440.0f, 0.5f);
  for (const TVoice& v : Voices) EXPECT_NE(v.Id, 11);

  FlatSpectrum(0.1f);
  MixVoices();  // amplitudes now non-zero
  NoteOff(7);
  ASSERT_EQ(Voices[6].State, vsRelease);
  ASSERT_NE(Voices[6].Cur[Voices[6].Bin], 0.0f);
  NoteOn(11, 440.0f, 0.5f);
  EXPECT_EQ(Voices[6].Id, 11);
  EXPECT_EQ(Voices[6].State, vsAttack);
  EXPECT_EQ(Voices[6].Cur, Voices[6].BufferA);
  EXPECT_EQ(Voices[6].Next, Voices[6].BufferB);
  EXPECT_TRUE(std::all_of(std::begin(Voices[6].BufferA), std::end(Voices[6].BufferA),
                          [](float a) { return a == 0.0f; }));
}

TEST_F(VoiceTable, StealsTheReleasingVoiceWithFewestBlocksLeftLowestIndexOnEquals) {
  const int32_t releases[10] = {9, 5, 9, 3, 9, 3, 9, 4, 9, 9};
  for (int id = 1; id <= 10; ++id) {
    settings.release = releases[id - 1];
    NoteOn(id, 100.0f * id, 0.5f);
  }
  for (int id : {2, 4, 6, 8}) NoteOff(id);
  NoteOn(20, 300.0f, 0.5f);
  EXPECT_EQ(Voices[3].Id, 20);  // ReleaseLeft 3 at indices 3 and 5
  NoteOn(21, 300.0f, 0.5f);
  EXPECT_EQ(Voices[5].Id, 21);
  NoteOn(22, 300.0f, 0.5f);
  EXPECT_EQ(Voices[7].Id, 22);
  NoteOn(23, 300.0f, 0.5f);
  EXPECT_EQ(Voices[1].Id, 23);
  settings.release = 1;
  NoteOn(24, 300.0f, 0.5f);  // nothing left to steal
  for (const TVoice& v : Voices) EXPECT_NE(v.Id, 24);
}

TEST_F(VoiceTable, NoteOnTakesSettingsVolumeAndNearestBinAtTheCall) {
  settings.attack = 7;
  settings.release = 42;
  NoteOn(5, BinFrequency[2048], 0.25f);
  const TVoice& v = Voices[0];
  EXPECT_EQ(v.Id, 5);
  EXPECT_EQ(v.State, vsAttack);
  EXPECT_EQ(v.AttackLeft, 7);
  EXPECT_EQ(v.ReleaseLeft, 42);
  EXPECT_EQ(v.Bin, NearestBin(BinFrequency[2048]));
  EXPECT_EQ(v.Volume, 0.25f * InstrumentVolume[0]);
  settings.attack = 1;
  EXPECT_EQ(v.AttackLeft, 7);
}

TEST_F(VoiceTable, MovesReattackOnlyOnANewBinOrVolumeAndNeverMoveReleasingVoices) {
  FlatSpectrum(0.1f);
  settings.attack = 25;
  NoteOn(1, 440.0f, 0.5f);
  for (int i = 0; i < 25; ++i) MixVoices();
  TVoice& v = Voices[0];
  ASSERT_EQ(v.State, vsSustain);
  ASSERT_EQ(v.AttackLeft, 0);

  NoteMove(1, 440.0f, 0.5f);  // same bin, same volume
  EXPECT_EQ(v.State, vsSustain);
  ASSERT_EQ(NearestBin(std::nextafter(440.0f, 441.0f)), NearestBin(440.0f));
  NoteMove(1, std::nextafter(440.0f, 441.0f), 0.5f);  // still the same bin
  EXPECT_EQ(v.State, vsSustain);

  NoteMove(1, 600.0f, 0.5f);
  EXPECT_EQ(v.State, vsAttack);
  EXPECT_EQ(v.AttackLeft, 13);
  EXPECT_EQ(v.Bin, NearestBin(600.0f));
  MixVoices();
  NoteMove(1, 700.0f, 0.9f);  // still attacking: keeps its count
  EXPECT_EQ(v.AttackLeft, 12);
  EXPECT_EQ(v.Volume, 0.9f * InstrumentVolume[0]);

  settings.attack = 1;
  for (int i = 0; i < 12; ++i) MixVoices();
  ASSERT_EQ(v.State, vsSustain);
  NoteMove(1, 700.0f, 0.3f);  // a new volume alone re-attacks too
  EXPECT_EQ(v.State, vsAttack);
  EXPECT_EQ(v.AttackLeft, 1);

  NoteOff(1);
  const int32_t bin = v.Bin;
  NoteMove(1, 200.0f, 0.5f);
  EXPECT_EQ(v.State, vsRelease);
  EXPECT_EQ(v.Bin, bin);
}

TEST_F(VoiceTable, NoteOffIgnoresReleasingAndUnknownIds) {
  settings.release = 10;
  NoteOn(1, 440.0f, 0.5f);
  NoteOn(2, 440.0f, 0.5f);
  NoteOff(1);
  NoteOff(1);
  NoteOff(99);
  EXPECT_EQ(Voices[0].State, vsRelease);
  EXPECT_EQ(Voices[0].ReleaseLeft, 10);
  EXPECT_EQ(Voices[1].State, vsAttack);
}

TEST_F(VoiceTable, ShiftOfPlusOrMinus4095LeavesOneOutputBin) {
  FlatSpectrum(1.0f);
  InstrumentSpectrum[0].Fill(0.5f);
  InstrumentSpectrum[4095].Fill(0.25f);
  MainBin = 0;
  NoteOn(1, 12000.0f, 1.0f);
  MixVoices();
  const TVoice& up = Voices[0];
  EXPECT_EQ(up.Cur[4095], 0.5f * up.Volume);
  for (int p = 0; p < 4095; ++p) ASSERT_EQ(up.Cur[p], 0.0f) << p;

  MainBin = 4095;
  NoteOn(2, 10.0f, 1.0f);
  MixVoices();
  const TVoice& down = Voices[1];
  EXPECT_EQ(down.Cur[0], 0.25f * down.Volume);
  for (int p = 1; p < 4096; ++p) ASSERT_EQ(down.Cur[p], 0.0f) << p;
}

TEST_F(VoiceTable, ShortestAttackAndReleaseTakeOneBlockEach) {
  FlatSpectrum(0.5f);
  NoteOn(1, 440.0f, 1.0f);
  MixVoices();
  const TVoice& v = Voices[0];
  EXPECT_EQ(v.State, vsSustain);
  EXPECT_EQ(v.Cur[v.Bin], 0.5f * v.Volume);
  NoteOff(1);
  MixVoices();
  EXPECT_EQ(v.State, vsFree);
  EXPECT_TRUE(std::all_of(v.Next, v.Next + BinCount, [](float a) { return a == 0.0f; }));
  MixVoices();
  EXPECT_TRUE(
      std::all_of(std::begin(OutBlock), std::end(OutBlock), [](int16_t s) { return s == 0; }));
}

TEST_F(VoiceTable, AttackIsAStraightLineAndReleaseDecaysByOneMinus19OverR) {
  FlatSpectrum(0.5f);
  settings.attack = 4;
  settings.release = 3;
  NoteOn(1, 440.0f, 1.0f);
  const TVoice& v = Voices[0];
  const float target = 0.5f * v.Volume;
  for (float share : {0.25f, 0.5f, 0.75f}) {
    MixVoices();
    EXPECT_NEAR(v.Cur[v.Bin], share * target, target * 1e-6f);
  }
  MixVoices();
  EXPECT_EQ(v.Cur[v.Bin], target);
  EXPECT_EQ(v.State, vsSustain);
  MixVoices();
  EXPECT_EQ(v.Cur[v.Bin], target);  // sustain holds

  NoteOff(1);
  MixVoices();
  EXPECT_NEAR(v.Cur[v.Bin] / target, 1.0 - 1.9 / 3, 1e-6);
  MixVoices();
  EXPECT_NEAR(v.Cur[v.Bin] / target, (1.0 - 1.9 / 3) * (1.0 - 1.9 / 2), 1e-6);
  EXPECT_NEAR(v.Cur[v.Bin] / target, 0.018333, 1e-5);
  EXPECT_EQ(v.State, vsRelease);
  MixVoices();
  EXPECT_EQ(v.State, vsFree);
}

TEST_F(VoiceTable, ReleasedDuringAttackDecaysFromWhereTheAttackGot) {
  FlatSpectrum(0.5f);
  settings.attack = 4;
  settings.release = 2;
  NoteOn(1, 440.0f, 1.0f);
  MixVoices();
  const TVoice& v = Voices[0];
  const float reached = v.Cur[v.Bin];
  NoteOff(1);
  MixVoices();
  EXPECT_EQ(v.Cur[v.Bin], reached * 0.05f);
}

TEST_F(VoiceTable, ReleaseAllVoicesReleasesOnlyHeldVoices) {
  settings.release = 5;
  NoteOn(1, 200.0f, 0.5f);
  NoteOn(2, 300.0f, 0.5f);
  NoteOn(3, 400.0f, 0.5f);
  FlatSpectrum(0.1f);
  MixVoices();  // all three now sustain
  NoteOn(4, 500.0f, 0.5f);
  NoteOff(3);
  MixVoices();
  ASSERT_EQ(Voices[2].ReleaseLeft, 4);
  ReleaseAllVoices();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Voices[i].State, vsRelease) << i;
  EXPECT_EQ(Voices[2].ReleaseLeft, 4);
  EXPECT_EQ(Voices[3].ReleaseLeft, 5);
  EXPECT_EQ(Voices[4].State, vsFree);
}

}  // namespace
