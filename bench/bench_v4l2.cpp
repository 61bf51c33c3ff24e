// A V4L2 camera (the emulated driver) through the capture graph into the sample grabber's
// BufferCB: for YUYV and MJPEG frames of 640 × 480 and 1920 × 1080,
//  - Delivery: from the moment a frame lies done in a V4L2 buffer to the start of BufferCB
//    (wake-up of the streaming thread, dequeue, conversion to RGB24 by libv4lconvert, the
//    bottom-up copy, delivery through the grabber); "of_frame" is that time as a share of the
//    33.3 ms between two frames of a 30 frames-a-second camera;
//  - Conversion: libv4lconvert and the row copy alone, on the calling thread.
#include <benchmark/benchmark.h>
#include <linux/videodev2.h>

#include <chrono>
#include <memory>
#include <vector>

#include "camera_pictures/v4l2_cameras.h"
#include "emulated_v4l2/emulated_driver.h"
#include "grabber_graph.h"
#include "platform/dshow/v4l2/convert.h"
#include "platform/dshow/v4l2/provider.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFramePeriod = 1.0 / 30;
constexpr char kPath[] = "/dev/video0";

std::vector<uint8_t> FrameOf(uint32_t format, uint32_t width, uint32_t height) {
  const RgbPicture bars = ColourBars(width, height);
  return format == V4L2_PIX_FMT_MJPEG ? ToJpeg(bars, 85) : ToYuyv(bars);
}

// An emulated driver with one camera that offers only format at that size.
std::shared_ptr<TV4L2EmulatedDriver> BenchDriver(uint32_t format, uint32_t width, uint32_t height) {
  auto driver = std::make_shared<TV4L2EmulatedDriver>();
  driver->AddNode(
      EmulatedCameraNode(kPath, "Bench Camera", {EmulatedFormat(format, {{width, height}})}));
  return driver;
}

// The webcam control's graph over that camera.
class TV4L2Graph {
 public:
  TV4L2Graph(uint32_t format, uint32_t width, uint32_t height)
      : driver_(BenchDriver(format, width, height)),
        access_(driver_),
        graph_({MakeV4L2DeviceProvider()}),
        ok_(graph_.Run()) {}

  bool Ok() const { return ok_; }
  TV4L2EmulatedDriver& Driver() { return *driver_; }
  TFrameArrivals& Arrivals() { return graph_.Arrivals(); }

 private:
  std::shared_ptr<TV4L2EmulatedDriver> driver_;
  TInstalledV4L2Access access_;
  TGrabberGraph graph_;
  bool ok_;
};

void Delivery(benchmark::State& state, uint32_t format, uint32_t width, uint32_t height) {
  TV4L2Graph graph(format, width, height);
  if (!graph.Ok()) return state.SkipWithError("the graph did not run");
  const std::vector<uint8_t> frame = FrameOf(format, width, height);
  uint64_t seen = 0;
  double total = 0;
  for (auto _ : state) {
    if (!graph.Driver().WaitForQueuedBuffer(kPath, std::chrono::seconds(10)))
      return state.SkipWithError("no buffer was queued");
    graph.Driver().ReleaseFrame(kPath, frame);
    const Clock::time_point done = Clock::now();
    const std::chrono::duration<double> took = graph.Arrivals().WaitPast(seen++).At - done;
    state.SetIterationTime(took.count());
    total += took.count();
  }
  state.counters["of_frame"] = total / state.iterations() / kFramePeriod;
}

void Conversion(benchmark::State& state, uint32_t format, uint32_t width, uint32_t height) {
  const auto driver = BenchDriver(format, width, height);
  const TV4L2Handle device = TV4L2Handle::Open(driver, kPath);
  TV4L2Converter converter(device);
  v4l2_format f{};
  f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  f.fmt.pix.pixelformat = format;
  f.fmt.pix.width = width;
  f.fmt.pix.height = height;
  device.Ioctl(VIDIOC_S_FMT, &f);
  converter.SetSource(f.fmt.pix);
  const std::vector<uint8_t> frame = FrameOf(format, width, height);
  std::vector<uint8_t> bitmap(RgbImageBytes(width, height));
  const Clock::time_point start = Clock::now();
  for (auto _ : state)
    if (!converter.Convert(frame.data(), frame.size(), bitmap.data(), bitmap.size()))
      return state.SkipWithError("the frame did not convert");
  const std::chrono::duration<double> took = Clock::now() - start;
  state.counters["of_frame"] = took.count() / state.iterations() / kFramePeriod;
}

#define CAMERA_FRAMES(bench, ...)                                                      \
  BENCHMARK_CAPTURE(bench, yuyv_640x480, V4L2_PIX_FMT_YUYV, 640, 480) __VA_ARGS__;     \
  BENCHMARK_CAPTURE(bench, yuyv_1920x1080, V4L2_PIX_FMT_YUYV, 1920, 1080) __VA_ARGS__; \
  BENCHMARK_CAPTURE(bench, mjpeg_640x480, V4L2_PIX_FMT_MJPEG, 640, 480) __VA_ARGS__;   \
  BENCHMARK_CAPTURE(bench, mjpeg_1920x1080, V4L2_PIX_FMT_MJPEG, 1920, 1080) __VA_ARGS__

CAMERA_FRAMES(Delivery, ->UseManualTime()->Unit(benchmark::kMillisecond));
CAMERA_FRAMES(Conversion, ->Unit(benchmark::kMillisecond));

}  // namespace

BENCHMARK_MAIN();
