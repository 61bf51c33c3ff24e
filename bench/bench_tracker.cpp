// The motion tracker's time per frame (the row scan from the top to the first motion row, and
// what follows from it), against the 33 ms between frames at 30 frames a second. Two scenes:
// a hand in the middle of the picture (the rows above it are scanned), and no motion at all
// (sensor noise below the threshold: every row is scanned). A plain pixel-by-pixel scan of the
// same frames is the reference.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "capture/tracker/motiontracker.h"

namespace {

constexpr int32_t kThreshold = 767 - 650;  // the sensitivity slider's default

struct Frames {
  rtl::TBitmap a, b;
  Frames(int width, int height, bool hand) {
    a.SetSize(width, height);
    b.SetSize(width, height);
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y) {
      auto* p = static_cast<uint8_t*>(a.ScanLine(y));
      auto* q = static_cast<uint8_t*>(b.ScanLine(y));
      for (int i = 0; i < width * 3; ++i) {
        p[i] = static_cast<uint8_t>(60 + random() % 140);
        q[i] = static_cast<uint8_t>(p[i] + random() % 7 - 3);  // noise of a still picture
      }
    }
    if (!hand) return;
    // A hand a tenth of the width across moved into the middle of the picture.
    for (int y = height / 2; y < height / 2 + height / 5; ++y) {
      auto* q = static_cast<uint8_t*>(b.ScanLine(y));
      std::memset(q + 3 * (width / 2 - width / 20), 30, static_cast<size_t>(width / 10) * 3);
    }
  }
};

void Tracker(benchmark::State& state) {
  Frames frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                state.range(2) != 0);
  int32_t camX = 0, camY = 0;
  bool on = false;
  for (auto _ : state) {
    const tracker::TMotion m = tracker::FindMotion(frames.a, frames.b, kThreshold);
    benchmark::DoNotOptimize(tracker::FollowMotion(m, frames.a.Width(), frames.a.Height(),
                                                   {camX, camY, on}));
  }
}

// Every pixel's difference in turn, with the run counter, until the first motion row.
void PlainScan(benchmark::State& state) {
  Frames frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                state.range(2) != 0);
  const int W = frames.a.Width(), H = frames.a.Height();
  for (auto _ : state) {
    int found = -1;
    for (int y = 0; y < H && found < 0; ++y) {
      const auto* p = static_cast<const uint8_t*>(frames.a.ScanLine(y));
      const auto* q = static_cast<const uint8_t*>(frames.b.ScanLine(y));
      int run = 0, n = 0;
      for (int x = 0; x < W; ++x) {
        const int d = std::abs(p[3 * x] - q[3 * x]) + std::abs(p[3 * x + 1] - q[3 * x + 1]) +
                      std::abs(p[3 * x + 2] - q[3 * x + 2]);
        run = d >= kThreshold ? run + 1 : 0;
        n += run >= 3;
      }
      if (n > 0) found = y;
    }
    benchmark::DoNotOptimize(found);
  }
}

// width, height, hand in the middle (1) or no motion (0)
void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "hand"});
  for (int hand : {1, 0}) {
    b->Args({640, 480, hand});
    b->Args({1920, 1080, hand});
  }
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(Tracker)->Apply(Sizes);
BENCHMARK(PlainScan)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
