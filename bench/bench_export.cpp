// Rendering the instrument's main note to a WAV file, as the editor's save button does: attack
// 1, release 200, so 241 blocks (5.14 s of sound) computed on the calling thread and its
// calculation threads and written to disk. The x_realtime counter is seconds of sound per
// second of rendering; the argument is the number of calculation threads.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/waves.h"

namespace {

// The settings window's sliders at attack 1 and release 200.
class LongRelease : public TEngineHost {
 public:
  int32_t AttackPosition() const override { return 1; }
  int32_t ReleasePosition() const override { return 200; }
};

void BM_ExportMainNote(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("lumatap-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  LongRelease host;
  TEngineHost* previous = SetEngineHost(&host);
  ResetEngineState();
  // A full instrument: every bin sounds, as after a WAV import.
  for (int b = 0; b < BinCount; ++b) InstrumentSpectrum[b].Fill(0.02f * float(b % 7 + 1) / 7.0f);
  // Calculation threads per block, as on machines with that many processors.
  ThreadCount = static_cast<int32_t>(state.range(0));

  const int blocks = 1 + 200 + 40;
  const std::string name = (dir / "note.wav").string();
  for (auto _ : state) RenderMainNote(name);
  const double soundSeconds = blocks * 1024.0 / 48000.0;
  state.counters["x_realtime"] =
      benchmark::Counter(soundSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
  ResetEngineState();
  SetEngineHost(previous);
  fs::remove_all(dir);
}
BENCHMARK(BM_ExportMainNote)->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  InitWaves(4096);
  InitAudio();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  DoneAudio();
  return 0;
}
