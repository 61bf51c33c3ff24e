#include "platform/winmm/waveout.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/winmm/waveout_virtual.h"

namespace {

constexpr int kFrames = 512;

WAVEFORMATEX PcmFormat() {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = 1;
  f.nSamplesPerSec = 48000;
  f.nAvgBytesPerSec = 96000;
  f.nBlockAlign = 2;
  f.wBitsPerSample = 16;
  return f;
}

// What the callback saw, in order.
struct Event {
  UINT msg;
  WAVEHDR* hdr;
};

// A device opened with a callback that logs every message and may act on WOM_DONE.
class Player {
 public:
  std::function<void(HWAVEOUT, WAVEHDR*)> onDone;

  MMRESULT Open() {
    const WAVEFORMATEX f = PcmFormat();
    return waveOutOpen(&hwo, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(&Callback),
                       reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
  }

  std::vector<Event> Events() {
    std::lock_guard lk(m_);
    return events_;
  }
  std::vector<WAVEHDR*> Done() {
    std::vector<WAVEHDR*> done;
    for (const Event& e : Events())
      if (e.msg == WOM_DONE) done.push_back(e.hdr);
    return done;
  }
  size_t DoneCount() { return Done().size(); }

  HWAVEOUT hwo = nullptr;

 private:
  static void Callback(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR) {
    auto* self = reinterpret_cast<Player*>(instance);
    {
      std::lock_guard lk(self->m_);
      self->events_.push_back({msg, reinterpret_cast<WAVEHDR*>(p1)});
    }
    if (msg == WOM_DONE && self->onDone) self->onDone(hwo, reinterpret_cast<WAVEHDR*>(p1));
  }

  std::mutex m_;
  std::vector<Event> events_;
};

// A header with its own buffer of 512 samples, every sample `value + i`.
struct Buffer {
  std::array<int16_t, kFrames> samples{};
  WAVEHDR hdr{};
  explicit Buffer(int16_t value = 0) {
    Fill(value);
    hdr.lpData = reinterpret_cast<char*>(samples.data());
    hdr.dwBufferLength = kFrames * 2;
  }
  void Fill(int16_t value) {
    for (int i = 0; i < kFrames; ++i) samples[i] = static_cast<int16_t>(value + i);
  }
};

std::vector<int16_t> Concat(std::initializer_list<const Buffer*> buffers) {
  std::vector<int16_t> all;
  for (const Buffer* b : buffers) all.insert(all.end(), b->samples.begin(), b->samples.end());
  return all;
}

void WaitFor(const std::function<bool()>& done) {
  // Generous: only a hang trips it, never a slow machine.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done()) {
    ASSERT_LT(std::chrono::steady_clock::now(), limit) << "gave up waiting";
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

constexpr UINT kSize = sizeof(WAVEHDR);

TEST(WaveOut, OpenRefusesWhatItCannotPlay) {
  VirtualWaveOut device(VirtualWaveOut::Pace::Stepped);
  HWAVEOUT hwo = reinterpret_cast<HWAVEOUT>(1);
  auto cb = reinterpret_cast<DWORD_PTR>(+[](HWAVEOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {});
  WAVEFORMATEX f = PcmFormat();
  EXPECT_EQ(waveOutOpen(&hwo, 7, &f, cb, 0, CALLBACK_FUNCTION), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(hwo, nullptr);
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, cb, 0, 0), MMSYSERR_INVALFLAG);
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, 0, 0, CALLBACK_FUNCTION), MMSYSERR_INVALPARAM);
  f.nChannels = 2;
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, cb, 0, CALLBACK_FUNCTION), WAVERR_BADFORMAT);
  f = PcmFormat();
  f.nSamplesPerSec = 44100;
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, cb, 0, CALLBACK_FUNCTION), WAVERR_BADFORMAT);
  EXPECT_EQ(device.OpenCount(), 0);
}

TEST(WaveOut, CallsOnAHandleThatNeverOpenedFailWithoutEffect) {
  VirtualWaveOut device(VirtualWaveOut::Pace::Stepped);
  Buffer b(5);
  b.hdr.dwFlags = 0;
  for (HWAVEOUT h : {static_cast<HWAVEOUT>(nullptr), reinterpret_cast<HWAVEOUT>(&b)}) {
    EXPECT_EQ(waveOutPrepareHeader(h, &b.hdr, kSize), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutWrite(h, &b.hdr, kSize), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(h), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutUnprepareHeader(h, &b.hdr, kSize), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(h), MMSYSERR_INVALHANDLE);
  }
  EXPECT_EQ(b.hdr.dwFlags, 0u);
  EXPECT_EQ(b.hdr.lpNext, nullptr);
  EXPECT_EQ(b.samples[3], 8);
}

TEST(WaveOut, WithoutADeviceOpenFailsAndNothingCallsBack) {
  VirtualWaveOut device(VirtualWaveOut::Pace::Stepped);
  device.SetPresent(false);
  Player p;
  p.hwo = reinterpret_cast<HWAVEOUT>(&p);
  EXPECT_EQ(p.Open(), MMSYSERR_NODRIVER);
  EXPECT_EQ(p.hwo, nullptr);
  EXPECT_TRUE(p.Events().empty());
  EXPECT_FALSE(device.IsOpen());
}

TEST(WaveOut, PlaysInQueueOrderAndReportsEachBufferOnce) {
  VirtualWaveOut device(VirtualWaveOut::Pace::Stepped);
  Player p;
  ASSERT_EQ(p.Open(), MMSYSERR_NOERROR);
  ASSERT_NE(p.hwo, nullptr);
  Buffer a(100), b(2000), c(-3000);
  for (Buffer* x : {&a, &b, &c}) {
    ASSERT_EQ(waveOutPrepareHeader(p.hwo, &x->hdr, kSize), MMSYSERR_NOERROR);
    EXPECT_TRUE(x->hdr.dwFlags & WHDR_PREPARED);
  }
  for (Buffer* x : {&a, &b, &c}) ASSERT_EQ(waveOutWrite(p.hwo, &x->hdr, kSize), MMSYSERR_NOERROR);
  EXPECT_TRUE(b.hdr.dwFlags & WHDR_INQUEUE);
  // Queued headers stay the device's until they come back.
  EXPECT_EQ(waveOutWrite(p.hwo, &b.hdr, kSize), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutUnprepareHeader(p.hwo, &b.hdr, kSize), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutClose(p.hwo), WAVERR_STILLPLAYING);

  WaitFor([&] { return device.Pending() == 3; });
  ASSERT_TRUE(device.Step());
  EXPECT_EQ(p.Done(), (std::vector<WAVEHDR*>{&a.hdr}));
  EXPECT_EQ(a.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  ASSERT_TRUE(device.Step());
  ASSERT_TRUE(device.Step());
  EXPECT_FALSE(device.Step());
  EXPECT_EQ(p.Done(), (std::vector<WAVEHDR*>{&a.hdr, &b.hdr, &c.hdr}));
  EXPECT_EQ(device.Played(), Concat({&a, &b, &c}));

  for (Buffer* x : {&a, &b, &c}) {
    ASSERT_EQ(waveOutUnprepareHeader(p.hwo, &x->hdr, kSize), MMSYSERR_NOERROR);
    EXPECT_FALSE(x->hdr.dwFlags & WHDR_PREPARED);
  }
  EXPECT_EQ(waveOutWrite(p.hwo, &a.hdr, kSize), WAVERR_UNPREPARED);
  ASSERT_EQ(waveOutClose(p.hwo), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(p.hwo), MMSYSERR_INVALHANDLE);
  const auto events = p.Events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events.front().msg, WOM_OPEN);
  EXPECT_EQ(events.back().msg, WOM_CLOSE);
  EXPECT_FALSE(device.IsOpen());
}

TEST(WaveOut, TheCallbackRequeuesFromInsideAndResetReturnsEverythingQueued) {
  VirtualWaveOut device(VirtualWaveOut::Pace::Stepped);
  Player p;
  std::vector<Buffer> buffers;
  buffers.reserve(3);
  for (int i = 0; i < 3; ++i) buffers.emplace_back(static_cast<int16_t>(1000 * i));
  std::vector<int16_t> expected;
  int16_t next = 3000;
  bool requeue = true;
  // Each completed buffer is refilled with the next values and queued again at once.
  p.onDone = [&](HWAVEOUT hwo, WAVEHDR* hdr) {
    if (!requeue) return;
    auto* buffer = reinterpret_cast<Buffer*>(reinterpret_cast<char*>(hdr) - offsetof(Buffer, hdr));
    buffer->Fill(next);
    next = static_cast<int16_t>(next + 1000);
    EXPECT_EQ(waveOutWrite(hwo, hdr, kSize), MMSYSERR_NOERROR);
  };
  ASSERT_EQ(p.Open(), MMSYSERR_NOERROR);
  for (Buffer& b : buffers) {
    ASSERT_EQ(waveOutPrepareHeader(p.hwo, &b.hdr, kSize), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(p.hwo, &b.hdr, kSize), MMSYSERR_NOERROR);
  }
  for (int step = 0; step < 10; ++step) {
    WaitFor([&] { return device.Pending() == 3; });
    Buffer& playing = buffers[step % 3];
    expected.insert(expected.end(), playing.samples.begin(), playing.samples.end());
    ASSERT_TRUE(device.Step());
  }
  EXPECT_EQ(device.Played(), expected);
  EXPECT_EQ(p.DoneCount(), 10u);

  // Reset: the three queued buffers come back, oldest first, before it returns; none plays.
  requeue = false;
  WaitFor([&] { return device.Pending() == 3; });
  ASSERT_EQ(waveOutReset(p.hwo), MMSYSERR_NOERROR);
  const auto done = p.Done();
  ASSERT_EQ(done.size(), 13u);
  EXPECT_EQ(done[10], &buffers[10 % 3].hdr);
  EXPECT_EQ(done[11], &buffers[11 % 3].hdr);
  EXPECT_EQ(done[12], &buffers[12 % 3].hdr);
  for (Buffer& b : buffers) EXPECT_EQ(b.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  EXPECT_EQ(device.Pending(), 0u);
  EXPECT_EQ(device.Played(), expected);
  EXPECT_EQ(waveOutReset(p.hwo), MMSYSERR_NOERROR);  // nothing left: nothing reported
  EXPECT_EQ(p.DoneCount(), 13u);
  for (Buffer& b : buffers) EXPECT_EQ(waveOutUnprepareHeader(p.hwo, &b.hdr, kSize), 0u);
  EXPECT_EQ(waveOutClose(p.hwo), MMSYSERR_NOERROR);
}

TEST(WaveOut, TheVirtualDeviceIsOneDeviceAndServesTheNextOpenAfterAClose) {
  VirtualWaveOut device(VirtualWaveOut::Pace::Stepped);
  Player first, second;
  ASSERT_EQ(first.Open(), MMSYSERR_NOERROR);
  EXPECT_EQ(second.Open(), MMSYSERR_NODRIVER);
  EXPECT_EQ(waveOutClose(first.hwo), MMSYSERR_NOERROR);
  ASSERT_EQ(second.Open(), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(second.hwo), MMSYSERR_NOERROR);
  EXPECT_EQ(device.OpenCount(), 2);
}

// Queues three buffers, requeues each completion until `total` completions, and returns the
// order in which the headers came back.
std::vector<WAVEHDR*> PlayRound(Player& p, std::array<Buffer, 3>& buffers, size_t total) {
  std::atomic<size_t> completions{0};
  p.onDone = [&](HWAVEOUT hwo, WAVEHDR* hdr) {
    if (++completions + 3 <= total) waveOutWrite(hwo, hdr, kSize);
  };
  for (Buffer& b : buffers) {
    EXPECT_EQ(waveOutPrepareHeader(p.hwo, &b.hdr, kSize), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(p.hwo, &b.hdr, kSize), MMSYSERR_NOERROR);
  }
  WaitFor([&] { return completions.load() >= total; });
  for (Buffer& b : buffers) EXPECT_EQ(waveOutUnprepareHeader(p.hwo, &b.hdr, kSize), 0u);
  EXPECT_EQ(waveOutClose(p.hwo), MMSYSERR_NOERROR);
  return p.Done();
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

TEST(WaveOut, ThePacedVirtualDevicePlaysEverythingInOrderAtTheSampleClock) {
  VirtualWaveOut device(VirtualWaveOut::Pace::Clock);
  Player p;
  ASSERT_EQ(p.Open(), MMSYSERR_NOERROR);
  std::array<Buffer, 3> buffers{Buffer(1), Buffer(2), Buffer(3)};
  const auto start = std::chrono::steady_clock::now();
  const auto done = PlayRound(p, buffers, 12);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(done.size(), 12u);
  for (size_t i = 0; i < done.size(); ++i) EXPECT_EQ(done[i], &buffers[i % 3].hdr);
  EXPECT_EQ(device.PlayedCount(), 12u * kFrames);
  // Twelve buffers of 512 samples cannot all have played in less than their length.
  EXPECT_GE(seconds, 12 * kFrames / 48000.0 - 0.001);
}

// ALSA tests run against PCMs defined in a configuration of our own that includes the
// system's, so that "null" and a "file" PCM capturing what ALSA receives both exist.
class AlsaWaveOut : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::filesystem::temp_directory_path() / ("lumatap-alsa-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    capture_ = dir_ / "capture.raw";
    const auto conf = dir_ / "asound.conf";
    std::ofstream(conf) << "</usr/share/alsa/alsa.conf>\n"
                        << "pcm.lumatap_capture {\n  type file\n  slave.pcm \"null\"\n"
                        << "  file \"" << capture_.string() << "\"\n  format \"raw\"\n}\n";
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
  }
  static void TearDownTestSuite() {
    unsetenv("LUMATAP_AUDIO_DEVICE");
    std::filesystem::remove_all(dir_);
  }
  void SetUp() override { ASSERT_EQ(VirtualWaveOut::Installed(), nullptr); }
  void TearDown() override { unsetenv("LUMATAP_AUDIO_DEVICE"); }

  static std::filesystem::path dir_, capture_;
};
std::filesystem::path AlsaWaveOut::dir_, AlsaWaveOut::capture_;

TEST_F(AlsaWaveOut, AMissingDeviceFailsTheOpenSilently) {
  setenv("LUMATAP_AUDIO_DEVICE", "lumatap_no_such_pcm", 1);
  Player p;
  p.hwo = reinterpret_cast<HWAVEOUT>(&p);
  EXPECT_EQ(p.Open(), MMSYSERR_NODRIVER);
  EXPECT_EQ(p.hwo, nullptr);
  EXPECT_TRUE(p.Events().empty());
  Buffer b;
  EXPECT_EQ(waveOutPrepareHeader(p.hwo, &b.hdr, kSize), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutReset(p.hwo), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutClose(p.hwo), MMSYSERR_INVALHANDLE);
}

TEST_F(AlsaWaveOut, TheNullPcmCompletesInOrderAtTheSampleClockWithoutSpinning) {
  setenv("LUMATAP_AUDIO_DEVICE", "null", 1);
  Player p;
  ASSERT_EQ(p.Open(), MMSYSERR_NOERROR);
  std::array<Buffer, 3> buffers{Buffer(1), Buffer(2), Buffer(3)};
  const double cpu0 = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const auto done = PlayRound(p, buffers, 30);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpu0;
  ASSERT_EQ(done.size(), 30u);
  for (size_t i = 0; i < done.size(); ++i) EXPECT_EQ(done[i], &buffers[i % 3].hdr);
  // A PCM that swallows samples at once is held to real time: 30 buffers take at least
  // their length less the two-period ring.
  EXPECT_GE(seconds, 28 * kFrames / 48000.0 - 0.001);
  // ... and the wait is a sleep, not a busy loop (a spin would burn the whole wall time).
  EXPECT_LT(cpu, 0.5 * seconds);
}

TEST_F(AlsaWaveOut, AFilePcmReceivesEverySampleInQueueOrder) {
  setenv("LUMATAP_AUDIO_DEVICE", "lumatap_capture", 1);
  std::filesystem::remove(capture_);
  Player p;
  ASSERT_EQ(p.Open(), MMSYSERR_NOERROR);
  std::array<Buffer, 3> buffers{Buffer(10), Buffer(-20), Buffer(30)};
  std::vector<int16_t> expected;
  int16_t next = 40;
  std::atomic<int> completions{0};
  std::vector<int16_t> queued;
  p.onDone = [&](HWAVEOUT hwo, WAVEHDR* hdr) {
    if (++completions > 6) return;
    auto* buffer = reinterpret_cast<Buffer*>(reinterpret_cast<char*>(hdr) - offsetof(Buffer, hdr));
    buffer->Fill(next);
    next = static_cast<int16_t>(next + 10);
    queued.insert(queued.end(), buffer->samples.begin(), buffer->samples.end());
    waveOutWrite(hwo, hdr, kSize);
  };
  for (Buffer& b : buffers) {
    queued.insert(queued.end(), b.samples.begin(), b.samples.end());
    ASSERT_EQ(waveOutPrepareHeader(p.hwo, &b.hdr, kSize), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(p.hwo, &b.hdr, kSize), MMSYSERR_NOERROR);
  }
  WaitFor([&] { return completions.load() >= 9; });
  ASSERT_EQ(waveOutReset(p.hwo), MMSYSERR_NOERROR);
  for (Buffer& b : buffers) ASSERT_EQ(waveOutUnprepareHeader(p.hwo, &b.hdr, kSize), 0u);
  ASSERT_EQ(waveOutClose(p.hwo), MMSYSERR_NOERROR);

  std::ifstream in(capture_, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> received(bytes.size() / 2);
  std::memcpy(received.data(), bytes.data(), received.size() * 2);
  EXPECT_EQ(received, queued);
}

}  // namespace
