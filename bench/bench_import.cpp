// WAV import from disk to finished spectrum: a 655360-frame 24-bit stereo file (the longest
// sound the import reads, 20 transforms), against the 100 ms an import should take at most.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/waves.h"

namespace {

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A decaying tone with a few partials, slightly different in the two channels.
std::string LongStereoFile() {
  constexpr uint32_t frames = 655360, rate = 48000, align = 6;
  std::string s = "RIFF";
  Put(s, 36 + frames * align, 4);
  s += "WAVEfmt ";
  Put(s, 16, 4);
  Put(s, 1, 2);
  Put(s, 2, 2);
  Put(s, rate, 4);
  Put(s, rate * align, 4);
  Put(s, align, 2);
  Put(s, 24, 2);
  s += "data";
  Put(s, frames * align, 4);
  s.reserve(s.size() + frames * align);
  for (uint32_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double tone =
        std::exp(-t) * (std::sin(2 * M_PI * 220 * t) + 0.5 * std::sin(2 * M_PI * 440 * t) +
                        0.25 * std::sin(2 * M_PI * 1320 * t));
    for (int c = 0; c < 2; ++c) {
      const auto v = static_cast<int32_t>(std::lround(tone * (c ? 2.0e6 : 2.2e6)));
      Put(s, static_cast<uint32_t>(v), 3);
    }
  }
  return s;
}

class ImportFile {
 public:
  ImportFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumatap-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
    path_ = (dir_ / "long.wav").string();
    const std::string bytes = LongStereoFile();
    std::ofstream(path_, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~ImportFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::filesystem::path dir_;
  std::string path_;
};

void EnsureTables() {
  static const bool built = [] {
    InitWaves(4096);
    InitAudioDefaults();
    InitImportBuffers();
    return true;
  }();
  (void)built;
}

void BM_ImportLongStereo24(benchmark::State& state) {
  EnsureTables();
  static const ImportFile file;
  for (auto _ : state) {
    if (!LoadWaveFile(file.Path())) {
      state.SkipWithError("import failed");
      break;
    }
    AnalyseWave();
    benchmark::DoNotOptimize(InstrumentSpectrum[MainBin.load()][0]);
  }
  state.counters["share_of_100ms"] = benchmark::Counter(
      0.1, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ImportLongStereo24)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadLongStereo24(benchmark::State& state) {
  EnsureTables();
  static const ImportFile file;
  for (auto _ : state) {
    if (!LoadWaveFile(file.Path())) {
      state.SkipWithError("import failed");
      break;
    }
    benchmark::DoNotOptimize(SampleData.data());
  }
}
BENCHMARK(BM_LoadLongStereo24)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FFT(benchmark::State& state) {
  EnsureTables();
  for (int k = 0; k < FftSize; ++k) FftData[k] = {std::sin(k * 0.01), 0.0};
  for (auto _ : state) {
    FFT();
    benchmark::DoNotOptimize(FftData[1].re);
  }
}
BENCHMARK(BM_FFT)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
