// Voice changes and block computations exclude each other. The stress case is meant for the
// ThreadSanitizer build (scripts/tsan.sh), where any unordered access fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "voice_fixture.h"

namespace {

using namespace std::chrono_literals;

class VoiceExclusion : public EngineState {
 protected:
  static void WaitIdle() {
    while (CalcBusy.load() != 0) std::this_thread::yield();
  }
};

TEST_F(VoiceExclusion, NoteOperationWaitsUntilTheBlockIsComplete) {
  CalcBusy = -1;
  std::thread gui([] { NoteOn(1, 440.0f, 0.5f); });
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(Voices[0].State, vsFree);
  CalcBusy = 0;
  gui.join();
  EXPECT_EQ(Voices[0].State, vsAttack);
}

TEST_F(VoiceExclusion, MasterClaimedByTheCallbackWaitsForAChangeInProgress) {
  FlatSpectrum(0.1f);
  settings.attack = 5;
  ThreadCount = 2;
  NoteOn(1, 440.0f, 0.5f);
  WithVoicesLocked([] {
    ASSERT_TRUE(StartMasterIfIdle(2));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Voices[0].AttackLeft, 5);  // no envelope step, no state advance yet
    Voices[0].Volume = 1.0f;             // the change this master must see
  });
  WaitIdle();
  EXPECT_EQ(Voices[0].AttackLeft, 4);
  EXPECT_EQ(Voices[0].Cur[Voices[0].Bin], 0.1f * 1.0f * 0.2f);
}

TEST_F(VoiceExclusion, DirectMasterDoesNotMarkItselfBusyDuringAChange) {
  NoteOn(1, 440.0f, 0.5f);
  std::thread master;
  WithVoicesLocked([&] {
    master = std::thread([] { MixVoices(); });
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(CalcBusy.load(), 0);
    EXPECT_EQ(Voices[0].State, vsAttack);
  });
  master.join();
  EXPECT_EQ(Voices[0].State, vsSustain);
  EXPECT_EQ(CalcBusy.load(), 0);
}

// Note operations (GUI thread), instrument edits (editor) and block starts (wave-out
// callback) all at once, bounded by counts. Afterwards the voice table must still be whole
// and every voice must release to silence.
TEST_F(VoiceExclusion, StressNoteOperationsAgainstRunningBlocks) {
  for (int p = 0; p < BinCount; p += 16) InstrumentSpectrum[p].Fill(0.01f);
  settings.attack = 3;
  settings.release = 4;
  ThreadCount = 3;
  constexpr int kOperations = 3000;
  constexpr int kBlocks = 600;

  std::thread gui([] {
    std::mt19937 random(1);
    for (int i = 0; i < kOperations; ++i) {
      const int32_t id = static_cast<int32_t>(random() % 12) + 1;
      const float f = 20.0f + static_cast<float>(random() % 13000);
      const float v = static_cast<float>(random() % 101) * 0.01f;
      switch (random() % 8) {
        case 0:
        case 1:
        case 2:
          NoteOff(id);
          NoteOn(id, f, v);
          break;
        case 3:
        case 4:
          NoteMove(id, f, v);
          break;
        case 5:
        case 6:
          NoteOff(id);
          break;
        default:
          if (i % 3 == 0)
            ReleaseAllVoices();
          else
            WithVoicesLocked([id] { Voices[id % VoiceCount].Bin = id; });
          break;
      }
    }
  });
  std::thread editor([] {
    std::mt19937 random(2);
    for (int i = 0; i < kOperations; ++i) {
      InstrumentSpectrum[(random() % 256) * 16].Fill(static_cast<float>(random() % 100) * 0.0002f);
      InstrumentVolume.Fill(60.0f + static_cast<float>(random() % 4));
      if (i % 16 == 0) std::this_thread::sleep_for(100us);
    }
  });

  std::mt19937 random(3);
  int blocks = 0;
  while (blocks < kBlocks) {
    // Mostly play masters; now and then a preview master, which leaves the voices alone.
    if (StartMasterIfIdle(blocks % 7 == 6 ? 1 : 2)) ++blocks;
    WaitIdle();
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
  }
  gui.join();
  editor.join();

  EXPECT_EQ(CalcBusy.load(), 0);
  for (const TVoice& v : Voices) {
    EXPECT_TRUE(v.State >= vsFree && v.State <= vsRelease);
    EXPECT_TRUE(v.Bin >= 0 && v.Bin < BinCount);
    EXPECT_TRUE(v.Cur == v.BufferA || v.Cur == v.BufferB);
    EXPECT_TRUE(v.Next == v.BufferA || v.Next == v.BufferB);
    EXPECT_NE(v.Cur, v.Next);
  }
  ReleaseAllVoices();
  for (int i = 0; i < 5; ++i) MixVoices();
  for (const TVoice& v : Voices) EXPECT_EQ(v.State, vsFree);
  MixVoices();
  EXPECT_TRUE(
      std::all_of(std::begin(OutBlock), std::end(OutBlock), [](int16_t s) { return s == 0; }));
}

}  // namespace
