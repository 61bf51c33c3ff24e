// Blocks as the sound device paces them. A callback-like thread wakes once per block time
// (21.33 ms), starts the block and sleeps again, so every calculation thread starts from idle,
// as it does while the program plays. Each block's time runs from the start call to the moment
// the block is complete; the median, 90th and 99th percentile and maximum are reported per
// thread count, beside two paced floors that read what a block reads (4 KiB of each of the 4096
// tables) and compute nothing:
//   PacedBlock     ten sustaining voices over a full spectrum: a master on a 4 MiB thread of
//                  its own, started per block, running MixVoices (workers as the engine starts
//                  them);
//   PacedFloor     the reads on threads created per block and joined by a spin, placed as the
//                  engine places its workers: the floor for any block that starts its threads;
//   PacedPersistent the reads on threads that stay alive and sleep between blocks (reference).
// Options (before Google Benchmark's own): --blocks=N (default 500), --threads=1,2,4,8,
// --kinds=block,floor,persistent. The first 5 blocks of each run warm up and are not counted.
#include <benchmark/benchmark.h>
#include <immintrin.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/waves.h"
#include "engine_setup.h"
#include "table_reads.h"

namespace {

constexpr long long kBlockNs = 1024LL * 1000000000LL / 48000;  // 21333333 ns
constexpr int kWarmUpBlocks = 5;

long long NowNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void SleepUntil(long long ns) {
  timespec ts{static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
  }
}

// Stamped by whichever thread completes a block.
std::atomic<long long> BlockEnd{0};

// A master as the wave-out callback starts one: its own 4 MiB thread, freeing itself.
class TPacedMaster : public TThread {
 public:
  explicit TPacedMaster(void (*step)()) : TThread(false, CalcThreadStackSize), step_(step) {
    FreeOnTerminate = true;
    AfterConstruction();
  }

 protected:
  void Execute() override {
    step_();
    BlockEnd.store(NowNs());
  }

 private:
  void (*step_)();
};

// The floor's reads, split into the engine's ranges.
int32_t FloorPositions[BinCount];
float FloorSink[MaxThreads];
struct alignas(64) TFloorFlag {
  std::atomic<int32_t> Done{0};
};
TFloorFlag FloorDone[MaxThreads];
int FloorThreads = 1;

void ReadRange(int i, int threads) {
  const int32_t chunk = RangeChunk(threads);
  const int last = i == threads - 1 ? BinCount : (i + 1) * chunk;
  FloorSink[i] = ReadTables(i * chunk, last, FloorPositions);
}

class TFloorWorker : public TThread {
 public:
  TFloorWorker(int index, const TProcessorSet& processors)
      : TThread(false, CalcThreadStackSize), index_(index) {
    FreeOnTerminate = true;
    SetProcessors(processors);
    AfterConstruction();
  }

 protected:
  void Execute() override {
    ReadRange(index_, FloorThreads);
    FloorDone[index_].Done.store(-1);
  }

 private:
  int index_;
};

// A floor block shaped like a master step: workers started per block, off this processor,
// the last range read here, then a spin until every worker is done.
void FloorStep() {
  const int threads = FloorThreads;
  TProcessorSet beside{};
  if (threads > 1) beside = ProcessorsBesideCurrent();
  for (int i = 0; i < threads - 1; ++i) {
    FloorDone[i].Done.store(0);
    new TFloorWorker(i, beside);
  }
  ReadRange(threads - 1, threads);
  for (int i = 0; i < threads - 1; ++i)
    while (FloorDone[i].Done.load() == 0) _mm_pause();
}

// The same reads on threads that stay alive and sleep (in the kernel, not spinning) between
// blocks: what no block that starts and joins its threads can reach.
class TPersistentFloor {
 public:
  explicit TPersistentFloor(int threads) : threads_(threads) {
    for (int i = 0; i < threads; ++i) pool_.emplace_back([this, i] { Run(i); });
  }
  ~TPersistentFloor() {
    stop_.store(true);
    Go();
    for (std::thread& t : pool_) t.join();
  }
  // Wakes the master of the pool, which wakes the others.
  void Go() {
    masterGo_.fetch_add(1);
    masterGo_.notify_one();
  }

 private:
  void Run(int i) {
    const bool master = i == threads_ - 1;
    std::atomic<uint32_t>& go = master ? masterGo_ : workerGo_;
    uint32_t seen = 0;
    for (;;) {
      go.wait(seen);
      seen = go.load();
      if (stop_.load()) {
        if (master) {
          workerGo_.fetch_add(1);
          workerGo_.notify_all();
        }
        return;
      }
      if (master) {
        for (int w = 0; w < threads_ - 1; ++w) FloorDone[w].Done.store(0);
        workerGo_.fetch_add(1);
        workerGo_.notify_all();
        ReadRange(i, threads_);
        for (int w = 0; w < threads_ - 1; ++w)
          while (FloorDone[w].Done.load() == 0) _mm_pause();
        BlockEnd.store(NowNs());
      } else {
        ReadRange(i, threads_);
        FloorDone[i].Done.store(-1);
      }
    }
  }

  const int threads_;
  std::atomic<uint32_t> masterGo_{0};
  std::atomic<uint32_t> workerGo_{0};
  std::atomic<bool> stop_{false};
  std::vector<std::thread> pool_;
};

struct TStats {
  double median = 0, p90 = 0, p99 = 0, max = 0;
};

TStats Percentiles(std::vector<double> us) {
  TStats stats;
  if (us.empty()) return stats;
  std::sort(us.begin(), us.end());
  auto at = [&](double q) {
    const size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(us.size())));
    return us[std::clamp<size_t>(rank, 1, us.size()) - 1];
  };
  stats.median = at(0.5);
  stats.p90 = at(0.9);
  stats.p99 = at(0.99);
  stats.max = us.back();
  return stats;
}

enum class TKind { Block, Floor, Persistent };
const char* const kKindNames[] = {"PacedBlock", "PacedFloor", "PacedPersistent"};

std::map<std::pair<TKind, int>, TStats> Results;

// The callback-like thread: one block per block time; half a block later (when the device's
// next callback would come) it looks for the block's end, sleeping in small steps if it is late.
void Paced(benchmark::State& state, TKind kind, int threads) {
  PrepareEngine();
  ThreadCount = threads;
  FloorThreads = threads;
  std::copy(WavePosition, WavePosition + BinCount, FloorPositions);
  TPersistentFloor* pool = kind == TKind::Persistent ? new TPersistentFloor(threads) : nullptr;
  long long next = NowNs() + kBlockNs;
  auto one = [&] {
    SleepUntil(next);
    while (CalcBusy.load() != 0) SleepUntil(NowNs() + 100000);
    BlockEnd.store(0);
    const long long start = NowNs();
    switch (kind) {
      case TKind::Block: {
        CalcBusy.store(-1);  // claimed before the master exists, as the callback does
        new TPacedMaster(MixVoices);
        break;
      }
      case TKind::Floor:
        new TPacedMaster(FloorStep);
        break;
      case TKind::Persistent:
        pool->Go();
        break;
    }
    SleepUntil(next + kBlockNs / 2);
    long long end;
    while ((end = BlockEnd.load()) == 0) SleepUntil(NowNs() + 100000);
    next += kBlockNs;
    return static_cast<double>(end - start) / 1e3;
  };
  for (int i = 0; i < kWarmUpBlocks; ++i) one();
  std::vector<double> us;
  us.reserve(static_cast<size_t>(state.max_iterations));
  for (auto _ : state) {
    const double block = one();
    state.SetIterationTime(block / 1e6);
    us.push_back(block);
  }
  delete pool;
  // Lets the last block's threads finish before the next run changes the thread count.
  while (CalcBusy.load() != 0) SleepUntil(NowNs() + 100000);
  if (kind == TKind::Block)
    for (const TVoice& v : Voices)
      if (v.State != vsSustain) state.SkipWithError("voices not sustaining");
  const TStats stats = Percentiles(us);
  Results[{kind, threads}] = stats;
  state.counters["median_us"] = stats.median;
  state.counters["p90_us"] = stats.p90;
  state.counters["p99_us"] = stats.p99;
  state.counters["max_us"] = stats.max;
}

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) items.push_back(item);
  return items;
}

// Takes this program's own options out of argv.
struct TOptions {
  int blocks = 500;
  std::vector<int> threads{1, 2, 4, 8};
  std::vector<TKind> kinds{TKind::Block, TKind::Floor, TKind::Persistent};
};

bool ParseOptions(int& argc, char** argv, TOptions& options) {
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--blocks=", 0) == 0) {
      options.blocks = std::atoi(arg.c_str() + 9);
      if (options.blocks < 1) return false;
    } else if (arg.rfind("--threads=", 0) == 0) {
      options.threads.clear();
      for (const std::string& t : Split(arg.substr(10))) {
        const int n = std::atoi(t.c_str());
        if (n < 1 || n > MaxThreads) return false;
        options.threads.push_back(n);
      }
    } else if (arg.rfind("--kinds=", 0) == 0) {
      options.kinds.clear();
      for (const std::string& k : Split(arg.substr(8))) {
        if (k == "block")
          options.kinds.push_back(TKind::Block);
        else if (k == "floor")
          options.kinds.push_back(TKind::Floor);
        else if (k == "persistent")
          options.kinds.push_back(TKind::Persistent);
        else
          return false;
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return true;
}

void PrintSummary(const TOptions& options) {
  const double blockUs = static_cast<double>(kBlockNs) / 1e3;
  std::printf("\nPaced, one block per %.2f ms, %d blocks per row (us: median / p90 / p99 / max):\n",
              blockUs / 1e3, options.blocks);
  for (int t : options.threads)
    for (TKind kind : options.kinds) {
      const auto found = Results.find({kind, t});
      if (found == Results.end()) continue;
      const TStats& s = found->second;
      std::printf("  %-16s %d thread(s): %8.1f %8.1f %8.1f %8.1f\n", kKindNames[int(kind)], t,
                  s.median, s.p90, s.p99, s.max);
    }
  std::printf("\nRatios (same run): block / floor of threads created per block\n");
  for (int t : options.threads) {
    const auto block = Results.find({TKind::Block, t});
    if (block == Results.end()) continue;
    const TStats& b = block->second;
    std::printf("  %d thread(s): p90 / median %.2f, p99 / block time %.3f, max / block time %.3f",
                t, b.p90 / b.median, b.p99 / blockUs, b.max / blockUs);
    const auto floor = Results.find({TKind::Floor, t});
    if (floor != Results.end()) {
      const TStats& f = floor->second;
      std::printf(
          ";\n      to the floor: median %.2f, p90 %.2f, p99 %.2f (p90 / floor median %.2f)",
          b.median / f.median, b.p90 / f.p90, b.p99 / f.p99, b.p90 / f.median);
    }
    const auto persistent = Results.find({TKind::Persistent, t});
    if (persistent != Results.end())
      std::printf(";\n      to persistent threads: median %.2f, p90 %.2f",
                  b.median / persistent->second.median, b.p90 / persistent->second.p90);
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--blocks=N] [--threads=1,2,4,8] [--kinds=block,floor,persistent] "
                 "[benchmark options]\n",
                 argv[0]);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  for (int t : options.threads)
    for (TKind kind : options.kinds)
      benchmark::RegisterBenchmark(
          (std::string(kKindNames[int(kind)]) + "/threads:" + std::to_string(t)).c_str(),
          [kind, t](benchmark::State& state) { Paced(state, kind, t); })
          ->Iterations(options.blocks)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond);
  benchmark::RunSpecifiedBenchmarks();
  PrintSummary(options);
  benchmark::Shutdown();
  return 0;
}
