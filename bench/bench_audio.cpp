// Sound output under load and the latency of the ALSA backend.
//
//   BM_SoakTenVoices      plays ten sustained voices over a full spectrum for
//                         LUMATAP_SOAK_SECONDS (default 60) on the virtual device at real-time
//                         pace and counts late blocks (still computing when their first half
//                         had to be queued).
//   BM_AlsaAddedLatency   circulates three buffers through the ALSA backend (the PCM named by
//                         LUMATAP_AUDIO_DEVICE, "null" when unset) for five seconds and compares
//                         each completion with the three-buffer model: a buffer queued behind
//                         k unfinished buffers completes (k + 1) × 10.67 ms later.
//   BM_MixVoicesTenVoices one master step of the same load, as a share of the block time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/waves.h"
#include "platform/winmm/waveout_virtual.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kBufferMs = 512 * 1000.0 / 48000.0;
constexpr double kBlockMs = 2 * kBufferMs;

void PrepareTenVoices() {
  static bool ready = false;
  if (!ready) {
    InitWaves(4096);
    InitAudio();
    ready = true;
  }
  // Every bin sounds; small amplitudes keep the sum of ten voices inside 16 bits.
  for (TVec8& bin : InstrumentSpectrum) bin.Fill(0.002f);
  MainBin = 1024;
  for (int id = 1; id <= VoiceCount; ++id) NoteOff(id);
  for (int id = 1; id <= VoiceCount; ++id) NoteOn(id, 110.0f * float(id), 0.9f);
}

double SoakSeconds() {
  const char* text = std::getenv("LUMATAP_SOAK_SECONDS");
  const double seconds = text ? std::atof(text) : 60.0;
  return seconds > 0 ? seconds : 60.0;
}

void BM_SoakTenVoices(benchmark::State& state) {
  PrepareTenVoices();
  const double seconds = SoakSeconds();
  for (auto _ : state) {
    VirtualWaveOut device(VirtualWaveOut::Pace::Clock);
    std::atomic<uint64_t> blocks{0}, late{0};
    // Right after a first-half duty SecondHalfPending is set again; a block still being
    // computed then was queued late (the next master starts only at the next duty).
    device.OnCompletion([&] {
      if (!AudioOpen.load() || !SecondHalfPending.load()) return;
      ++blocks;
      if (CalcBusy.load() != 0) ++late;
    });
    const auto start = Clock::now();
    StartAudio(1);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    StopAudio();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["blocks"] = double(blocks.load());
    state.counters["late_blocks"] = double(late.load());
    state.counters["played_s"] = double(device.PlayedCount()) / 48000.0;
    state.counters["elapsed_s"] = elapsed;
    state.counters["threads"] = ThreadCount;
  }
}
BENCHMARK(BM_SoakTenVoices)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

struct LatencyRun {
  WAVEHDR hdr[3]{};
  int16_t data[3][512]{};
  Clock::time_point queuedAt[3];
  int ahead[3]{};
  int unfinished = 0;
  std::mutex m;
  std::vector<double> addedMs;
  std::atomic<bool> stop{false};
  std::atomic<int> completions{0};
};

void LatencyCallback(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR) {
  if (msg != WOM_DONE) return;
  auto* run = reinterpret_cast<LatencyRun*>(instance);
  const auto now = Clock::now();
  const int i = static_cast<int>(reinterpret_cast<WAVEHDR*>(p1) - run->hdr);
  std::lock_guard lk(run->m);
  --run->unfinished;
  if (run->stop.load()) return;
  const double ms = std::chrono::duration<double, std::milli>(now - run->queuedAt[i]).count();
  run->addedMs.push_back(ms - (run->ahead[i] + 1) * kBufferMs);
  run->ahead[i] = run->unfinished;
  run->queuedAt[i] = now;
  ++run->unfinished;
  ++run->completions;
  waveOutWrite(hwo, &run->hdr[i], sizeof(WAVEHDR));
}

void BM_AlsaAddedLatency(benchmark::State& state) {
  if (!std::getenv("LUMATAP_AUDIO_DEVICE")) setenv("LUMATAP_AUDIO_DEVICE", "null", 1);
  for (auto _ : state) {
    LatencyRun run;
    HWAVEOUT hwo = nullptr;
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 1, 48000, 96000, 2, 16, 0};
    if (waveOutOpen(&hwo, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(&LatencyCallback),
                    reinterpret_cast<DWORD_PTR>(&run), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
      state.SkipWithError("the PCM did not open");
      return;
    }
    {
      std::lock_guard lk(run.m);
      for (int i = 0; i < 3; ++i) {
        run.hdr[i].lpData = reinterpret_cast<char*>(run.data[i]);
        run.hdr[i].dwBufferLength = sizeof(run.data[i]);
        waveOutPrepareHeader(hwo, &run.hdr[i], sizeof(WAVEHDR));
        run.ahead[i] = run.unfinished++;
        run.queuedAt[i] = Clock::now();
        waveOutWrite(hwo, &run.hdr[i], sizeof(WAVEHDR));
      }
    }
    std::this_thread::sleep_for(std::chrono::seconds(5));
    run.stop.store(true);
    waveOutReset(hwo);
    for (WAVEHDR& h : run.hdr) waveOutUnprepareHeader(hwo, &h, sizeof(WAVEHDR));
    waveOutClose(hwo);
    std::vector<double> added = run.addedMs;
    std::sort(added.begin(), added.end());
    double sum = 0;
    for (double a : added) sum += a;
    state.counters["completions"] = double(added.size());
    state.counters["added_mean_ms"] = added.empty() ? 0 : sum / double(added.size());
    state.counters["added_p99_ms"] = added.empty() ? 0 : added[added.size() * 99 / 100];
    state.counters["added_max_ms"] = added.empty() ? 0 : added.back();
  }
}
BENCHMARK(BM_AlsaAddedLatency)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_MixVoicesTenVoices(benchmark::State& state) {
  PrepareTenVoices();
  for (auto _ : state) MixVoices();
  state.counters["threads"] = ThreadCount;
}
BENCHMARK(BM_MixVoicesTenVoices)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
