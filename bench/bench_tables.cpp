// Building the engine's tables at start-up: 15.6 million sines.
#include <benchmark/benchmark.h>

#include "engine/waves.h"

static void BM_InitWaves(benchmark::State& state) {
  for (auto _ : state) {
    InitWaves(4096);
    benchmark::DoNotOptimize(WaveTables[0][0]);
  }
}
BENCHMARK(BM_InitWaves)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
