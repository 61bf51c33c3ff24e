// The block computation run back to back, against the machine's floor and a plain oscillator
// bank (bench_paced measures blocks as the sound device paces them).
//
// MixVoices: ten sustaining voices over a spectrum whose 4096 bins are all non-zero, per
// ThreadCount, on the calling thread (as the main-note export runs it; the workers are started
// per block). MasterStartUp: from the wave-out callback's start call to the first step of the
// master thread it starts. ReadFloor: just reading what a block reads (4 KiB from each of the
// 4096 tables, 16 KiB apart, at advancing positions), on 1 and 8 threads that stay alive and read
// freely, which no block that starts and joins its threads reaches. KernelsOnly: the play kernels
// alone on threads that stay alive, each on its range, to tell the kernels' cost from the
// per-block thread start-up. ScalarBank: std::sin per partial per sample, 4096 partials, 1024
// samples. With several threads Google Benchmark divides the time by the thread count; the
// ratios, printed after the table, use the time per block (the figure times the thread count).
#include <benchmark/benchmark.h>
#include <immintrin.h>
#include <time.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/waves.h"
#include "engine_setup.h"
#include "table_reads.h"

namespace {

constexpr double kBlockMicroseconds = 1024.0 / 48000.0 * 1e6;  // 21333 µs

void BM_MixVoices(benchmark::State& state) {
  PrepareEngine();
  ThreadCount = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    MixVoices();
    benchmark::DoNotOptimize(OutBlock[0]);
  }
  for (const TVoice& v : Voices)
    if (v.State != vsSustain) state.SkipWithError("voices not sustaining");
}
BENCHMARK(BM_MixVoices)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// When the play master begins to run, stamped on its own thread.
std::atomic<long long> MasterEntered{0};

long long NowNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void StampMaster(TThread& thread) {
  const auto* calc = dynamic_cast<TCalcThread*>(&thread);
  if (calc && calc->Mode == cmPlayMaster) MasterEntered.store(NowNs());
}

// From the callback's start call to the master's first step, on the thread the engine starts.
// This thread then sleeps until the block is done: spinning, it could hold the very processor
// the master or one of its workers is placed on.
void BM_MasterStartUp(benchmark::State& state) {
  PrepareEngine();
  ThreadCount = static_cast<int32_t>(state.range(0));
  const TThreadStartHook previous = SetThreadStartHook(StampMaster);
  const timespec pause{0, 50000};
  for (auto _ : state) {
    MasterEntered.store(0);
    const long long start = NowNs();
    if (!StartMasterIfIdle(cmPlayMaster)) {
      state.SkipWithError("a block was still running");
      break;
    }
    while (CalcBusy.load() != 0) nanosleep(&pause, nullptr);
    state.SetIterationTime(static_cast<double>(MasterEntered.load() - start) / 1e9);
  }
  SetThreadStartHook(previous);
}
BENCHMARK(BM_MasterStartUp)
    ->Arg(1)
    ->Arg(8)
    ->Iterations(1000)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime();

void BM_ReadFloor(benchmark::State& state) {
  PrepareEngine();
  static int32_t positions[BinCount];
  if (state.thread_index() == 0) std::copy(WavePosition, WavePosition + BinCount, positions);
  const int threads = state.threads();
  const int first = BinCount * state.thread_index() / threads;
  const int last = BinCount * (state.thread_index() + 1) / threads;
  for (auto _ : state) benchmark::DoNotOptimize(ReadTables(first, last, positions));
}
BENCHMARK(BM_ReadFloor)->Threads(1)->Threads(8)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_KernelsOnly(benchmark::State& state) {
  PrepareEngine();
  const int threads = state.threads(), i = state.thread_index();
  const int32_t chunk = RangeChunk(threads);
  TWorkBlock& block = WorkBlocks[i];
  block.First = i * chunk;
  block.Last = i == threads - 1 ? BinCount - 1 : (i + 1) * chunk - 1;
  for (auto _ : state) CalcVoicesBlock(block);
}
BENCHMARK(BM_KernelsOnly)->Threads(1)->Threads(8)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ScalarBank(benchmark::State& state) {
  PrepareEngine();
  std::vector<double> phase(BinCount, 0.0), out(1024);
  for (auto _ : state) {
    std::fill(out.begin(), out.end(), 0.0);
    for (int k = 0; k < BinCount; ++k) {
      const double step = 2.0 * M_PI * BinFrequency[k] / 48000.0;
      const double amplitude = 100.0 * InstrumentSpectrum[k][0];
      double ph = phase[k];
      for (int t = 0; t < 1024; ++t) {
        out[t] += amplitude * std::sin(ph);
        ph += step;
      }
      phase[k] = std::fmod(ph, 2.0 * M_PI);
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ScalarBank)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Keeps each run's time per iteration (µs) for the ratios; with --benchmark_repetitions the
// median of the repetitions.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> micros;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Iteration && !medians_.count(run.run_name.str()))
        micros[run.run_name.str()] = run.GetAdjustedRealTime();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians_.insert(run.run_name.str());
        micros[run.run_name.str()] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Find(const std::string& prefix) const {
    for (const auto& [name, us] : micros)
      if (name.rfind(prefix, 0) == 0) return us;
    return 0.0;
  }

 private:
  std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double floor1 = reporter.Find("BM_ReadFloor/real_time/threads:1");
  const double floor8 = 8 * reporter.Find("BM_ReadFloor/real_time/threads:8");
  const double kernels1 = reporter.Find("BM_KernelsOnly/real_time/threads:1");
  const double kernels8 = 8 * reporter.Find("BM_KernelsOnly/real_time/threads:8");
  const double bank = reporter.Find("BM_ScalarBank");
  std::printf("\nRatios (same run):\n");
  for (int t : {1, 2, 4, 8}) {
    const double us = reporter.Find("BM_MixVoices/" + std::to_string(t) + "/");
    if (us > 0)
      std::printf("  MixVoices, %d thread(s): %8.1f us = %.4f of a 21.33 ms block\n", t, us,
                  us / kBlockMicroseconds);
  }
  const double mix1 = reporter.Find("BM_MixVoices/1/"), mix8 = reporter.Find("BM_MixVoices/8/");
  const double start1 = reporter.Find("BM_MasterStartUp/1/");
  const double start8 = reporter.Find("BM_MasterStartUp/8/");
  const double master1 = mix1 + start1, master8 = mix8 + start8;
  if (start1 > 0 || start8 > 0)
    std::printf("  master thread start-up: %.1f us (1 thread), %.1f us (8 threads)\n", start1,
                start8);
  if (floor1 > 0 && mix1 > 0)
    std::printf("  1 thread:  block / read floor = %.2f (with the master's start-up: %.2f)\n",
                mix1 / floor1, master1 / floor1);
  if (floor8 > 0 && mix8 > 0)
    std::printf("  8 threads: block / read floor = %.2f (with the master's start-up: %.2f)\n",
                mix8 / floor8, master8 / floor8);
  if (floor1 > 0 && floor8 > 0)
    std::printf("  read floor per block: %.1f us (1 thread), %.1f us (8 threads)\n", floor1,
                floor8);
  if (kernels1 > 0 && kernels8 > 0)
    std::printf("  kernels alone / read floor: %.2f (1 thread), %.2f (8 threads)\n",
                kernels1 / floor1, kernels8 / floor8);
  if (bank > 0 && mix8 > 0)
    std::printf(
        "  scalar std::sin bank / 8-thread block = %.1f (with the master's start-up: %.1f)\n",
        bank / mix8, bank / master8);
  benchmark::Shutdown();
  return 0;
}
