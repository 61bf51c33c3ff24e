#include "engine/output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/winmm/waveout_virtual.h"
#include "voice_fixture.h"

namespace {

namespace fs = std::filesystem;
constexpr size_t kHalf = 512;
constexpr size_t kBlock = 1024;

std::atomic<int> g_processMessagesCalls{0};
void CountProcessMessages() { ++g_processMessagesCalls; }

// Waits until no block is being computed (only a hang trips the limit, never a slow machine).
void Settle() {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (CalcBusy.load() != 0) {
    ASSERT_LT(std::chrono::steady_clock::now(), limit) << "a master never finished";
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

std::vector<int16_t> ReadSamples(const fs::path& wav) {
  std::ifstream in(wav, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples((bytes.size() - 44) / 2);
  std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
  return samples;
}

std::vector<int16_t> Slice(const std::vector<int16_t>& v, size_t from, size_t count) {
  return {v.begin() + from, v.begin() + from + count};
}

std::vector<int16_t> OutBlockNow() { return {OutBlock, OutBlock + kBlock}; }

bool Silent(const std::vector<int16_t>& v) {
  return std::all_of(v.begin(), v.end(), [](int16_t s) { return s == 0; });
}

// Sound output on the stepped virtual device: the test plays one buffer at a time and lets
// each started block finish before the next buffer, so every duty runs as in a timely run.
class Output : public EngineState {
 protected:
  static void SetUpTestSuite() {
    EngineState::SetUpTestSuite();
    InitAudio();
  }

  void SetUp() override {
    EngineState::SetUp();
    dir_ = fs::temp_directory_path() / ("lumatap-out-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    settings.processMessages = CountProcessMessages;
    g_processMessagesCalls = 0;
    // A few partials around the main bin, loud enough to be heard and never clipped.
    for (int bin : {1024, 1100, 1250, 1500}) InstrumentSpectrum[bin].Fill(0.05f);
  }

  void TearDown() override {
    StopAudio();
    StopRecording();
    fs::remove_all(dir_);
    EngineState::TearDown();
  }

  // Plays the oldest of the three circulating buffers once the device holds all three
  // (a requeue reaches it shortly after the callback returns).
  void StepOnly() {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (device_.Pending() < 3) {
      ASSERT_LT(std::chrono::steady_clock::now(), limit) << "a buffer never came back";
      std::this_thread::yield();
    }
    ASSERT_TRUE(device_.Step());
  }

  // ... and lets a block started by that completion finish.
  void Step(int times = 1) {
    for (int i = 0; i < times; ++i) {
      StepOnly();
      Settle();
    }
  }

  void Start(int32_t mode) {
    StartAudio(mode);
    EXPECT_TRUE(AudioOpen.load());
  }

  VirtualWaveOut device_{VirtualWaveOut::Pace::Stepped};
  fs::path dir_;
};

TEST_F(Output, FourSilentBuffersPrecedeTheBlocksThatPlayAndRecordInOrder) {
  const fs::path wav = dir_ / "play.wav";
  ASSERT_TRUE(StartRecording(wav.string()));
  NoteOn(1, 440.0f, 0.8f);
  Start(1);
  EXPECT_TRUE(AudioOpen.load());
  EXPECT_TRUE(Silent(device_.Played()));

  // The three silent buffers of the start; the first completion queues the zeroed second
  // half and starts the first block.
  Step();
  EXPECT_FALSE(SecondHalfPending.load());
  const auto first = OutBlockNow();
  EXPECT_FALSE(Silent(first));
  EXPECT_EQ(RecordedBytes.load(), 0);
  Step(11);

  const auto played = device_.Played();
  ASSERT_EQ(played.size(), 12 * kHalf);
  EXPECT_TRUE(Silent(Slice(played, 0, 4 * kHalf)));
  EXPECT_EQ(Slice(played, 4 * kHalf, kBlock), first);

  // Blocks 1..6 were appended when their first halves were queued; 1..4 have played whole.
  StopAudio();
  EXPECT_EQ(RecordedBytes.load(), 6 * 2048);
  StopRecording();
  const auto recorded = ReadSamples(wav);
  ASSERT_EQ(recorded.size(), 6 * kBlock);
  EXPECT_EQ(Slice(played, 4 * kHalf, 4 * kBlock), Slice(recorded, 0, 4 * kBlock));
  for (size_t b = 1; b < 6; ++b)
    EXPECT_NE(Slice(recorded, b * kBlock, kBlock), Slice(recorded, (b - 1) * kBlock, kBlock));
}

TEST_F(Output, PreviewSoundsTheSpectrumRecordsNothingAndIgnoresASecondStart) {
  ASSERT_TRUE(StartRecording((dir_ / "preview.wav").string()));
  Start(0);
  StartAudio(1);  // already open: stays preview
  EXPECT_EQ(device_.OpenCount(), 1);
  Step(8);
  const auto played = device_.Played();
  EXPECT_TRUE(Silent(Slice(played, 0, 4 * kHalf)));
  EXPECT_FALSE(Silent(Slice(played, 4 * kHalf, 4 * kHalf)));
  EXPECT_EQ(RecordedBytes.load(), 0);
  // Preview advances no voice: a held note stays where it was.
  EXPECT_EQ(Voices[0].State, vsFree);
}

TEST_F(Output, ALateBlockIsQueuedAsItStandsAndPlayedAgain) {
  const fs::path wav = dir_ / "late.wav";
  ASSERT_TRUE(StartRecording(wav.string()));
  NoteOn(1, 440.0f, 0.8f);
  Start(1);
  Step(6);  // blocks 1, 2 and 3 computed; the first half of block 3 is queued
  const auto third = OutBlockNow();

  // From here the computation "runs" until released: the second-half duty starts nothing,
  // and the first-half duty gives up after its bounded wait and queues block 3 again.
  CalcBusy.store(-1);
  StepOnly();  // second half of block 3, no new master
  StepOnly();  // first half of block 3 again, after eight 1 ms waits
  EXPECT_EQ(OutBlockNow(), third);
  CalcBusy.store(0);
  Step(6);  // second half of block 3 again, then blocks 4, 5 and 6 as usual

  StopAudio();
  StopRecording();
  const auto recorded = ReadSamples(wav);
  ASSERT_EQ(recorded.size(), 7 * kBlock);  // blocks 1, 2, 3, 3, 4, 5, 6
  EXPECT_EQ(Slice(recorded, 2 * kBlock, kBlock), third);
  EXPECT_EQ(Slice(recorded, 3 * kBlock, kBlock), third);
  EXPECT_NE(Slice(recorded, 4 * kBlock, kBlock), third);
  const auto played = device_.Played();
  ASSERT_EQ(played.size(), 14 * kHalf);
  // Everything after the silence is what was recorded, block 3 twice included.
  EXPECT_EQ(Slice(played, 4 * kHalf, 5 * kBlock), Slice(recorded, 0, 5 * kBlock));
}

// Holds the voice table on a thread of its own, so that a master started meanwhile waits at its
// start (it marks itself busy under the same lock) until Release. The release is a relaxed
// store on purpose: the hold orders nothing, so the master is late as a slow block is, and
// whatever order ThreadSanitizer sees between the master and the others is the engine's own.
class MasterHold {
 public:
  MasterHold()
      : thread_([this] {
          WithVoicesLocked([this] {
            held_.store(true);
            while (!released_.load(std::memory_order_relaxed)) std::this_thread::yield();
          });
        }) {
    while (!held_.load()) std::this_thread::yield();
  }
  ~MasterHold() {
    Release();
    thread_.join();
  }
  void Release() { released_.store(true, std::memory_order_relaxed); }

 private:
  std::atomic<bool> held_{false};
  std::atomic<bool> released_{false};
  std::thread thread_;
};

std::vector<int16_t> Join(std::initializer_list<std::vector<int16_t>> parts) {
  std::vector<int16_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(Output, ALateBlockPlaysAndRecordsAsItStandsWhileItsMasterStillRuns) {
  const fs::path wav = dir_ / "late-master.wav";
  ThreadCount = 2;
  ASSERT_TRUE(StartRecording(wav.string()));
  NoteOn(1, 440.0f, 0.8f);
  Start(1);
  Step(2);
  const auto first = OutBlockNow();
  Step(2);  // block 2 is recorded as its first half is queued
  const auto second = OutBlockNow();
  {
    MasterHold hold;
    StepOnly();  // the second half of block 2; block 3's master starts and waits at its start
    StepOnly();  // the first-half duty gives up after its waits: block 2 as it stands, again
    EXPECT_EQ(CalcBusy.load(), -1);
  }  // block 3 is computed now, unordered with what that duty read
  Settle();
  const auto third = OutBlockNow();
  EXPECT_NE(third, second);
  Step();  // block 3's second half, as OutBlock now stands; block 4 starts
  const auto fourth = OutBlockNow();
  Step(2);  // block 4 recorded, its halves queued; block 5 starts
  const auto fifth = OutBlockNow();
  Step(2);  // block 5 recorded
  StopAudio();
  StopRecording();

  EXPECT_EQ(ReadSamples(wav), Join({first, second, second, fourth, fifth}));
  // The device plays three buffers behind the queue: four silent halves, blocks 1 and 2, then
  // what the late duty and the two after it queued.
  EXPECT_EQ(device_.Played(),
            Join({std::vector<int16_t>(4 * kHalf, 0), first, second, Slice(second, 0, kHalf),
                  Slice(third, kHalf, kHalf), Slice(fourth, 0, kHalf)}));
}

// The pause button's stop while a block is still being computed: the stop returns once that
// block is complete, so neither the next session's start nor its note operations (which find
// CalcBusy as the new start left it) meet the old master's writes.
MasterHold* g_hold = nullptr;
void ReleaseHoldDuringStop() {
  if (g_hold) g_hold->Release();
}

TEST_F(Output, AStopReturnsOnceTheBlockInFlightIsCompleteSoTheNextSessionFollowsIt) {
  settings.attack = 10;
  ThreadCount = 2;
  NoteOn(1, 440.0f, 0.8f);
  Start(1);
  Step(4);  // two blocks: the attack has two steps less to go
  ASSERT_EQ(Voices[0].AttackLeft, 8);
  {
    MasterHold hold;
    StepOnly();  // block 3's master starts and waits at its start until the stop runs
    g_hold = &hold;
    settings.processMessages = ReleaseHoldDuringStop;
    StopAudio();
    settings.processMessages = CountProcessMessages;
    g_hold = nullptr;
  }
  device_.ClearPlayed();
  Start(1);
  NoteOn(2, 660.0f, 0.5f);
  // The block that outlived the pauses was complete before the new session: its voices
  // advanced once, and the new note went into a table no master was using.
  EXPECT_EQ(Voices[0].AttackLeft, 7);
  EXPECT_EQ(Voices[1].AttackLeft, 10);

  Step(2);  // the new session's first block steps both voices once
  const auto first = OutBlockNow();
  EXPECT_EQ(Voices[0].AttackLeft, 6);
  EXPECT_EQ(Voices[1].AttackLeft, 9);
  Step(4);
  const auto played = device_.Played();
  ASSERT_EQ(played.size(), 6 * kHalf);
  EXPECT_TRUE(Silent(Slice(played, 0, 4 * kHalf)));
  EXPECT_FALSE(Silent(first));
  EXPECT_EQ(Slice(played, 4 * kHalf, kBlock), first);
}

TEST_F(Output, AfterStopAudioNoCompletionRequeuesOrComputes) {
  NoteOn(1, 440.0f, 0.8f);
  StopAudio();  // closed: nothing, not even messages
  EXPECT_EQ(g_processMessagesCalls.load(), 0);
  Start(1);
  Step(3);
  const uint64_t completions = device_.Completions();
  const auto block = OutBlockNow();
  StopAudio();
  EXPECT_FALSE(AudioOpen.load());
  EXPECT_EQ(g_processMessagesCalls.load(), 2);
  // The three queued buffers came back through the reset and were left alone.
  EXPECT_EQ(device_.Completions(), completions + 3);
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.Pending(), 0u);
  EXPECT_EQ(CalcBusy.load(), 0);
  EXPECT_EQ(OutBlockNow(), block);
  for (const WAVEHDR& hdr : WaveHeaders) EXPECT_FALSE(hdr.dwFlags & WHDR_PREPARED);

  StopAudio();  // a second stop does nothing
  EXPECT_EQ(g_processMessagesCalls.load(), 2);
  EXPECT_EQ(device_.OpenCount(), 1);

  // And output opens again afresh.
  Start(1);
  EXPECT_EQ(device_.OpenCount(), 2);
  Step(2);
  const auto played = device_.Played();
  ASSERT_EQ(played.size(), 5 * kHalf);
  EXPECT_TRUE(Silent(Slice(played, 3 * kHalf, 2 * kHalf)));
}

// The windows' messages handled during a stop may ask for output again (pause, then play at
// once): the new output opens only after the old device is closed, never over it.
int g_reentryMode = -1;
bool g_reentryStop = false;
void StartDuringStop() {
  if (g_reentryMode >= 0) StartAudio(std::exchange(g_reentryMode, -1));
  if (std::exchange(g_reentryStop, false)) StopAudio();
}

TEST_F(Output, AStartAskedForDuringAStopOpensAfterItAndAStopThenCancelsIt) {
  settings.processMessages = StartDuringStop;
  Start(1);
  Step(2);
  g_reentryMode = 0;
  StopAudio();
  EXPECT_TRUE(AudioOpen.load()) << "the preview asked for during the stop is open";
  EXPECT_EQ(device_.OpenCount(), 2);
  EXPECT_TRUE(device_.IsOpen());
  Step(2);  // the new device plays and completes as usual

  g_reentryMode = 1;
  g_reentryStop = true;  // ... and a pause right after it
  StopAudio();
  EXPECT_FALSE(AudioOpen.load());
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.OpenCount(), 2);
}

TEST_F(Output, WithoutADeviceNothingSoundsNothingHangsAndTheStopRunsThrough) {
  device_.SetPresent(false);
  NoteOn(1, 440.0f, 0.8f);
  StartAudio(1);
  EXPECT_TRUE(AudioOpen.load());  // the open's result is not examined
  EXPECT_EQ(WaveOutHandle, nullptr);
  StartAudio(1);
  EXPECT_EQ(device_.OpenCount(), 0);
  EXPECT_FALSE(device_.Step());
  EXPECT_EQ(CalcBusy.load(), 0);
  StopAudio();
  EXPECT_FALSE(AudioOpen.load());
  EXPECT_EQ(g_processMessagesCalls.load(), 2);
  EXPECT_TRUE(device_.Played().empty());
}

TEST(OutputBuffers, InitAudioAllocatesTheThreeBuffersAndDoneAudioReleasesThem) {
  EnsureEngineTables();
  InitAudio();
  for (const WAVEHDR& hdr : WaveHeaders) {
    EXPECT_NE(hdr.lpData, nullptr);
    EXPECT_EQ(hdr.dwBufferLength, 1024u);
    EXPECT_EQ(hdr.dwFlags, 0u);
  }
  EXPECT_FALSE(AudioOpen.load());
  DoneAudio();
  for (const WAVEHDR& hdr : WaveHeaders) {
    EXPECT_EQ(hdr.lpData, nullptr);
    EXPECT_EQ(hdr.dwBufferLength, 0u);
  }
  InitAudio();  // the other output tests need them back
  EXPECT_NE(WaveHeaders[2].lpData, nullptr);
}

}  // namespace
