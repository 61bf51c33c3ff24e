// The synthetic camera through the capture graph into the sample grabber's BufferCB, drawing
// its default scene:
//  - SteppedFrames: frames asked for back to back; frames per second, and as a ratio to the
//    30 frames a second a camera delivers ("x_realtime", must be far above 1);
//  - PacedFrames: at the camera's own 30 frames a second; the processor time of the whole
//    process per delivered frame ("cpu_ms_per_frame", and "cpu_share" of the 33.3 ms frame).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <vector>

#include "grabber_graph.h"
#include "platform/dshow/synthetic_camera.h"

namespace {

std::shared_ptr<TSyntheticCamera> BenchCamera(TCameraPace pace) {
  auto camera = std::make_shared<TSyntheticCamera>("bench:0", "Bench Camera");
  camera->SetPace(pace);
  return camera;
}

// The webcam control's graph over one synthetic camera, running in the format of that size.
class TCameraGraph {
 public:
  TCameraGraph(TCameraPace pace, LONG width)
      : camera_(BenchCamera(pace)),
        graph_({std::make_shared<TSyntheticCameraProvider>(std::vector{camera_})}) {
    graph_.ChooseWidth(width);
    ok_ = graph_.Run();
  }

  bool Ok() const { return ok_; }
  TSyntheticCamera& Camera() { return *camera_; }
  TFrameArrivals& Arrivals() { return graph_.Arrivals(); }

 private:
  std::shared_ptr<TSyntheticCamera> camera_;
  TGrabberGraph graph_;
  bool ok_ = false;
};

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void SteppedFrames(benchmark::State& state) {
  TCameraGraph graph(TCameraPace::Stepped, static_cast<LONG>(state.range(0)));
  if (!graph.Ok()) return state.SkipWithError("the graph did not run");
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state)
    if (!graph.Camera().Step()) return state.SkipWithError("a step delivered nothing");
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  state.SetItemsProcessed(state.iterations());
  state.counters["x_realtime"] = state.iterations() / elapsed.count() / 30.0;
}
BENCHMARK(SteppedFrames)->Arg(640)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);

void PacedFrames(benchmark::State& state) {
  TCameraGraph graph(TCameraPace::Clock, static_cast<LONG>(state.range(0)));
  if (!graph.Ok()) return state.SkipWithError("the graph did not run");
  uint64_t seen = graph.Arrivals().WaitPast(0).Frames;  // the stream is under way
  const double cpuStart = ProcessCpuSeconds();
  for (auto _ : state) seen = graph.Arrivals().WaitPast(seen).Frames;
  const double perFrame = (ProcessCpuSeconds() - cpuStart) / state.iterations();
  state.counters["cpu_ms_per_frame"] = perFrame * 1e3;
  state.counters["cpu_share"] = perFrame * 30.0;
}
BENCHMARK(PacedFrames)
    ->Arg(640)
    ->Arg(1920)
    ->Iterations(90)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
