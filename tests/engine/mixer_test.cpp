#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <thread>

#include "reference_engine.h"
#include "voice_fixture.h"

namespace {

class Mixer : public EngineState {
 protected:
  // Random amplitudes with about a quarter of the bins silent, loud enough that some
  // samples clip.
  static void RandomSpectrum(uint32_t seed, float top) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> amplitude(0.0f, top);
    for (TVec8& bin : InstrumentSpectrum) bin.Fill(random() % 4 == 0 ? 0.0f : amplitude(random));
  }

  static TBlock Out() {
    TBlock block;
    std::copy(std::begin(OutBlock), std::end(OutBlock), block.begin());
    return block;
  }

  static void ExpectSameBlock(const TBlock& expected, int block) {
    const TBlock actual = Out();
    for (int t = 0; t < 1024; ++t) {
      if (actual[t] != expected[t]) {
        ADD_FAILURE() << "block " << block << " sample " << t << ": " << actual[t]
                      << " != " << expected[t];
        return;
      }
    }
  }

  static void ExpectSameState(const RefEngine& ref) {
    EXPECT_TRUE(std::equal(ref.pos.begin(), ref.pos.end(), WavePosition));
    EXPECT_EQ(ClipVolume.load(), ref.clip);
    for (int i = 0; i < VoiceCount; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(Voices[i].State, ref.voice[i].State);
      if (Voices[i].State == vsFree) continue;
      EXPECT_EQ(Voices[i].Bin, ref.voice[i].Bin);
      EXPECT_EQ(Voices[i].Volume, ref.voice[i].Volume);
      EXPECT_EQ(Voices[i].AttackLeft, ref.voice[i].AttackLeft);
      EXPECT_EQ(Voices[i].ReleaseLeft, ref.voice[i].ReleaseLeft);
      EXPECT_TRUE(std::equal(ref.voice[i].cur.begin(), ref.voice[i].cur.end(), Voices[i].Cur));
    }
  }
};

// One scripted performance: attacks, a move of pitch and one of volume, sustain, a steal-free
// release over several blocks, notes shifted far enough that parts of the spectrum fall off
// either end of the grid, and a final silent block.
TEST_F(Mixer, PlayBlocksEqualTheScalarArithmeticForEveryThreadCount) {
  RandomSpectrum(7, 0.03f);
  MainBin = 1024;
  for (int threads = 1; threads <= 8; ++threads) {
    SCOPED_TRACE(threads);
    FreeAllVoices();
    ThreadCount = threads;
    RefEngine ref;
    ref.attack = settings.attack = 4;
    ref.release = settings.release = 3;
    int block = 0;
    auto both = [&](const std::function<void()>& engine, const std::function<void()>& model) {
      engine();
      model();
    };
    auto blocks = [&](int n) {
      for (int i = 0; i < n; ++i, ++block) {
        MixVoices();
        ExpectSameBlock(ref.MixVoices(threads), block);
      }
    };
    both([] { NoteOn(1, 440.0f, 0.8f); }, [&] { ref.NoteOn(1, 440.0f, 0.8f); });
    both([] { NoteOn(2, 200.0f, 0.5f); }, [&] { ref.NoteOn(2, 200.0f, 0.5f); });
    both([] { NoteOn(3, 31.0f, 0.9f); }, [&] { ref.NoteOn(3, 31.0f, 0.9f); });
    blocks(2);
    both([] { NoteMove(1, 470.0f, 0.8f); }, [&] { ref.NoteMove(1, 470.0f, 0.8f); });
    both([] { NoteMove(2, 200.0f, 0.6f); }, [&] { ref.NoteMove(2, 200.0f, 0.6f); });
    blocks(4);
    both([] { NoteOff(1); }, [&] { ref.NoteOff(1); });
    both([] { NoteOn(4, 9000.0f, 0.7f); }, [&] { ref.NoteOn(4, 9000.0f, 0.7f); });
    blocks(2);
    both([] { NoteOff(2); }, [&] { ref.NoteOff(2); });
    both([] { NoteOff(3); }, [&] { ref.NoteOff(3); });
    both([] { NoteOff(4); }, [&] { ref.NoteOff(4); });
    blocks(4);
    ExpectSameState(ref);
    EXPECT_TRUE(std::all_of(std::begin(Voices), std::end(Voices),
                            [](const TVoice& v) { return v.State == vsFree; }));
    if (HasFailure()) return;
  }
}

TEST_F(Mixer, PreviewBlocksEqualTheScalarArithmeticForEveryThreadCount) {
  RandomSpectrum(11, 0.015f);
  for (int threads = 1; threads <= 8; ++threads) {
    SCOPED_TRACE(threads);
    ThreadCount = threads;
    RefEngine ref;
    for (int block = 0; block < 3; ++block) {
      MixSpectrum();
      ExpectSameBlock(ref.MixSpectrum(threads), block);
    }
    ExpectSameState(ref);
    EXPECT_EQ(CalcBusy.load(), 0);
    if (HasFailure()) return;
  }
}

TEST_F(Mixer, SilentBlockTouchesNeitherTablesNorClipVolume) {
  FlatSpectrum(0.5f);
  std::fill(std::begin(OutBlock), std::end(OutBlock), int16_t{123});
  const std::vector<int32_t> before(WavePosition, WavePosition + BinCount);
  ClipVolume = 17.0f;
  MixVoices();
  EXPECT_TRUE(
      std::all_of(std::begin(OutBlock), std::end(OutBlock), [](int16_t s) { return s == 0; }));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), WavePosition));
  EXPECT_EQ(ClipVolume.load(), 17.0f);
  EXPECT_EQ(CalcBusy.load(), 0);
}

TEST_F(Mixer, RangesSplitIntoMultiplesOfFourWithTheRemainderLast) {
  const int32_t chunks[] = {4096, 2048, 1364, 1024, 816, 680, 584, 512};
  for (int t = 1; t <= 8; ++t) EXPECT_EQ(RangeChunk(t), chunks[t - 1]) << t;

  FlatSpectrum(0.001f);
  ThreadCount = 3;
  MixSpectrum();
  EXPECT_EQ(WorkBlocks[0].First, 0);
  EXPECT_EQ(WorkBlocks[0].Last, 1363);
  EXPECT_EQ(WorkBlocks[1].First, 1364);
  EXPECT_EQ(WorkBlocks[1].Last, 2727);
  EXPECT_EQ(WorkBlocks[2].First, 2728);
  EXPECT_EQ(WorkBlocks[2].Last, 4095);

  ThreadCount = 1;
  MixSpectrum();
  EXPECT_EQ(WorkBlocks[0].First, 0);
  EXPECT_EQ(WorkBlocks[0].Last, 4095);
  EXPECT_EQ(WorkBlocks[0].Done.load(), -1);
}

class SumConvert : public Mixer {
 protected:
  void SetUp() override {
    Mixer::SetUp();
    for (int i = 0; i < 2; ++i)
      std::fill(std::begin(WorkBlocks[i].Samples), std::end(WorkBlocks[i].Samples), 0.0f);
  }
  static void Set(int t, float first, float second) {
    WorkBlocks[0].Samples[t] = first;
    WorkBlocks[1].Samples[t] = second;
  }
};

TEST_F(SumConvert, ClipsSymmetricallyAndLowersClipVolumeToTheSmallestCandidate) {
  const float volume = InstrumentVolume[0];
  ASSERT_EQ(volume, 63.998046875f);
  Set(0, 30000.0f, 10000.0f);  // 40000
  Set(1, -32000.0f, -768.0f);  // −32768
  Set(2, 32000.0f, 767.0f);    // 32767
  Set(3, -32000.0f, -767.0f);  // −32767
  Set(8, 50000.0f, 0.0f);      // two clips in one group: the larger one counts
  Set(9, 0.0f, 45000.0f);
  SumConvertClip(2, false);
  EXPECT_EQ(OutBlock[0], 32767);
  EXPECT_EQ(OutBlock[1], -32767);
  EXPECT_EQ(OutBlock[2], 32767);
  EXPECT_EQ(OutBlock[3], -32767);
  EXPECT_EQ(OutBlock[8], 32767);
  EXPECT_EQ(OutBlock[9], 32767);
  const float at40000 = (volume * 32767.0f) / 40000.0f;
  const float at50000 = (volume * 32767.0f) / 50000.0f;
  EXPECT_LT(at50000, at40000);
  EXPECT_EQ(ClipVolume.load(), at50000);

  // Without the louder group, the −32768 sample's candidate is the larger of the two.
  ClipVolume = volume;
  Set(8, 0.0f, 0.0f);
  Set(9, 0.0f, 0.0f);
  SumConvertClip(2, false);
  EXPECT_EQ(ClipVolume.load(), at40000);
  EXPECT_LT(at40000, (volume * -32767.0f) / -32768.0f);

  // Never raised inside the engine.
  ClipVolume = 10.0f;
  SumConvertClip(2, false);
  EXPECT_EQ(ClipVolume.load(), 10.0f);
}

TEST_F(SumConvert, RoundsTiesToEvenAfterSummingInRangeOrder) {
  Set(0, 2.25f, 0.25f);  // 2.5
  Set(1, 3.0f, 0.5f);    // 3.5
  Set(2, -2.0f, -0.5f);  // −2.5
  Set(3, 0.5f, 0.0f);
  Set(4, 1.0e8f,
      -1.0e8f + 3.0f);  // summed first, in single precision: 4 (the 3 is lost below 1e8's step)
  SumConvertClip(2, false);
  EXPECT_EQ(OutBlock[0], 2);
  EXPECT_EQ(OutBlock[1], 4);
  EXPECT_EQ(OutBlock[2], -2);
  EXPECT_EQ(OutBlock[3], 0);
  EXPECT_EQ(OutBlock[4], static_cast<int16_t>(std::nearbyint(1.0e8f + (-1.0e8f + 3.0f))));
  EXPECT_EQ(ClipVolume.load(), InstrumentVolume[0]);
}

TEST_F(SumConvert, SumsBeyondTheIntegersClipWithTheirOwnSign) {
  const float volume = InstrumentVolume[0];
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float sum;
    int16_t out;
  };
  // 2147483520 is the largest float below 2^31; the next one up is no 32-bit integer.
  for (const Case c :
       {Case{2147483520.0f, 32767}, Case{2147483648.0f, 32767}, Case{3e9f, 32767},
        Case{1e38f, 32767}, Case{inf, 32767}, Case{-2147483648.0f, -32767}, Case{-3e9f, -32767},
        Case{-inf, -32767}, Case{std::numeric_limits<float>::quiet_NaN(), -32767}}) {
    SCOPED_TRACE(c.sum);
    ClipVolume = volume;
    Set(0, c.sum, 0.0f);
    SumConvertClip(2, false);
    EXPECT_EQ(OutBlock[0], c.out);
    // As loud as a sample gets: the volume at which 2^31 would have fitted.
    const float candidate = c.sum == 2147483520.0f ? (volume * 32767.0f) / 2147483520.0f
                                                   : (volume * 32767.0f) / 2147483648.0f;
    EXPECT_EQ(ClipVolume.load(), candidate);
  }
}

TEST_F(Mixer, TheLoudestInstrumentAnEditMakesKeepsTheSumsFinite) {
  // Every bin at the bound, ten voices at full volume on the main bin, and every table placed
  // at its largest sample for lane 1 of the block's first group: as near the worst sum as the
  // tables allow. One thread, so the first work block holds the whole sum.
  settings.attack = 1;
  const int lane = 1;
  struct Case {
    float amplitude;
    bool finite;
  };
  for (const Case c : {Case{MaxEditAmplitude, true}, Case{MaxEditAmplitude * 2.0f, false}}) {
    SCOPED_TRACE(c.amplitude);
    ResetEngineState();
    ThreadCount = 1;
    FlatSpectrum(c.amplitude);
    for (int id = 1; id <= VoiceCount; ++id) NoteOn(id, BinFrequency[MainBin], 1.0f);
    MixVoices();  // the attack of one block: from here on the voices hold
    double peaks = 0;
    for (int p = 0; p < BinCount; ++p) {
      const int blocks = WaveWrapOffset[p] / 32 + 1;
      int best = 0;
      for (int j = 1; j < blocks; ++j)
        if (WaveTables[p][8 * j + lane] > WaveTables[p][8 * best + lane]) best = j;
      WavePosition[p] = best * 32;
      peaks += WaveTables[p][8 * best + lane];
    }
    ASSERT_GT(peaks, 0.99 * 100 * BinCount);
    MixVoices();
    const float sum = WorkBlocks[0].Samples[lane];
    EXPECT_EQ(std::isfinite(sum), c.finite) << sum;
    if (c.finite) {
      EXPECT_GT(sum, 0.98 * 125 * std::ldexp(1.0, 121));
      EXPECT_EQ(OutBlock[lane], 32767);
    }
  }
}

TEST_F(Mixer, PreviewOfOneFullBinPeaksAtTableAmplitudeTimesVolume) {
  InstrumentSpectrum[4000].Fill(1.0f);
  ThreadCount = 2;
  int peak = 0;
  for (int block = 0; block < 4; ++block) {
    MixSpectrum();
    for (int16_t s : OutBlock) peak = std::max(peak, std::abs(int{s}));
  }
  EXPECT_GE(peak, 6390);
  EXPECT_LE(peak, 6400);  // 100 × 63.998046875
}

TEST_F(Mixer, SilentBinKeepsItsPhaseUntilItSoundsAgain) {
  InstrumentSpectrum[100].Fill(0.01f);
  InstrumentSpectrum[200].Fill(0.01f);
  ThreadCount = 1;
  auto advanced = [](int bin, int32_t from) {
    const int32_t n = WaveWrapOffset[bin] / 32 + 1;
    return ((from / 32 - 128) % n + n) % n * 32;
  };
  const int32_t start100 = WavePosition[100], start200 = WavePosition[200];
  MixSpectrum();
  EXPECT_EQ(WavePosition[200], advanced(200, start200));
  const int32_t stopped = WavePosition[200];
  InstrumentSpectrum[200].Fill(0.0f);
  MixSpectrum();
  MixSpectrum();
  EXPECT_EQ(WavePosition[200], stopped);
  EXPECT_EQ(WavePosition[100], advanced(100, advanced(100, advanced(100, start100))));
  InstrumentSpectrum[200].Fill(0.01f);
  MixSpectrum();
  EXPECT_EQ(WavePosition[200], advanced(200, stopped));
}

TEST_F(Mixer, PlayBinsOutsideEveryVoiceDoNotAdvance) {
  // A voice whose shifted spectrum covers only output bin 4095.
  FlatSpectrum(0.01f);
  MainBin = 0;
  ThreadCount = 2;
  const std::vector<int32_t> before(WavePosition, WavePosition + BinCount);
  NoteOn(1, 12000.0f, 1.0f);
  MixVoices();
  EXPECT_NE(WavePosition[4095], before[4095]);
  EXPECT_TRUE(std::equal(before.begin(), before.end() - 1, WavePosition));
  EXPECT_EQ(BinActive[4095], -1);
  EXPECT_EQ(BinActive[4094], 0);
}

TEST_F(Mixer, StartMasterIfIdleRunsOneMasterAndRefusesWhileBusy) {
  FlatSpectrum(0.01f);
  settings.attack = 5;
  ThreadCount = 3;
  NoteOn(1, 440.0f, 1.0f);
  CalcBusy = -1;
  EXPECT_FALSE(StartMasterIfIdle(2));
  CalcBusy = 0;
  EXPECT_FALSE(StartMasterIfIdle(3));  // workers are started by masters only
  EXPECT_EQ(CalcBusy.load(), 0);
  ASSERT_TRUE(StartMasterIfIdle(2));
  while (CalcBusy.load() != 0) std::this_thread::yield();
  EXPECT_EQ(Voices[0].AttackLeft, 4);
  ASSERT_TRUE(StartMasterIfIdle(1));
  while (CalcBusy.load() != 0) std::this_thread::yield();
  EXPECT_EQ(Voices[0].AttackLeft, 4);  // the preview master leaves the voices alone
}

// What each calculation thread the engine starts sees of itself, read on that thread just
// before its body runs.
struct TSeenThread {
  int32_t Mode;
  size_t Stack;
  bool FreesItself;
  cpu_set_t Processors;
};

class CalcThread : public Mixer {
 protected:
  static constexpr int kMaxSeen = 16;
  static inline TSeenThread seen_[kMaxSeen];
  static inline std::atomic<int> count_{0};

  static void Look(TThread& thread) {
    auto* calc = dynamic_cast<TCalcThread*>(&thread);
    if (!calc) return;
    const int i = count_.fetch_add(1);
    if (i >= kMaxSeen) return;
    TSeenThread& seen = seen_[i];
    seen.Mode = calc->Mode;
    seen.FreesItself = calc->FreeOnTerminate;
    pthread_attr_t attr;
    seen.Stack = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
      pthread_attr_getstacksize(&attr, &seen.Stack);
      pthread_attr_destroy(&attr);
    }
    CPU_ZERO(&seen.Processors);
    pthread_getaffinity_np(pthread_self(), sizeof(cpu_set_t), &seen.Processors);
  }

  void SetUp() override {
    Mixer::SetUp();
    count_ = 0;
    previousHook_ = SetThreadStartHook(&CalcThread::Look);
  }
  void TearDown() override {
    SetThreadStartHook(previousHook_);
    Mixer::TearDown();
  }

  static std::vector<TSeenThread> Seen() {
    return std::vector<TSeenThread>(seen_, seen_ + std::min(count_.load(), kMaxSeen));
  }

 private:
  TThreadStartHook previousHook_ = nullptr;
};

TEST_F(CalcThread, MastersAndWorkersRunOn4MiBStacksAndFreeThemselves) {
  FlatSpectrum(0.01f);
  NoteOn(1, 440.0f, 1.0f);
  ThreadCount = 3;
  ASSERT_TRUE(StartMasterIfIdle(cmPlayMaster));
  while (CalcBusy.load() != 0) std::this_thread::yield();
  ASSERT_TRUE(StartMasterIfIdle(cmPreviewMaster));
  while (CalcBusy.load() != 0) std::this_thread::yield();

  std::vector<int32_t> modes;
  for (const TSeenThread& seen : Seen()) {
    modes.push_back(seen.Mode);
    EXPECT_GE(seen.Stack, size_t{4194304}) << "mode " << seen.Mode;
    EXPECT_TRUE(seen.FreesItself) << "mode " << seen.Mode;
  }
  std::sort(modes.begin(), modes.end());
  EXPECT_EQ(modes, (std::vector<int32_t>{cmPreviewMaster, cmPlayMaster, cmPreviewWorker,
                                         cmPreviewWorker, cmPlayWorker, cmPlayWorker}));
}

// The master runs on a thread confined to one processor; its workers may run on every other
// processor of the process, or, when the process has only that one, where the master may.
TEST_F(CalcThread, WorkersRunOffTheProcessorTheMasterStartsThemOn) {
  cpu_set_t process;
  CPU_ZERO(&process);
  ASSERT_EQ(sched_getaffinity(getpid(), sizeof(process), &process), 0);
  int master = 0;
  while (!CPU_ISSET(master, &process)) ++master;
  cpu_set_t only;
  CPU_ZERO(&only);
  CPU_SET(master, &only);

  FlatSpectrum(0.01f);
  NoteOn(1, 440.0f, 1.0f);
  ThreadCount = 4;
  std::thread([&] {
    ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof(only), &only), 0);
    MixVoices();
    MixSpectrum();
  }).join();

  cpu_set_t expected = process;
  if (CPU_COUNT(&process) > 1)
    CPU_CLR(master, &expected);
  else
    expected = only;
  const std::vector<TSeenThread> seen = Seen();
  ASSERT_EQ(seen.size(), 6u);
  for (const TSeenThread& worker : seen) {
    EXPECT_TRUE(CPU_EQUAL(&worker.Processors, &expected)) << "mode " << worker.Mode;
  }
}

}  // namespace
