// The webcam control's graph as the camera benchmarks build it: the first video input device of
// the installed providers, its capture stream rendered into a sample grabber that asks for RGB24
// and hands every frame to a TFrameArrivals.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/dshow/devices.h"
#include "platform/dshow/grabber_interfaces.h"
#include "platform/dshow/graph_interfaces.h"

// Notes each frame that reaches it, and when, and reads one byte of it, as a frame handler would.
class TFrameArrivals : public TComObject<ISampleGrabberCB> {
 public:
  using Clock = std::chrono::steady_clock;
  struct TArrival {
    uint64_t Frames;       // arrived so far
    Clock::time_point At;  // when the last of them did
  };

  HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
  HRESULT BufferCB(double, BYTE* buffer, LONG length) override;
  // Waits for frame number seen + 1.
  TArrival WaitPast(uint64_t seen);

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  uint64_t frames_ = 0;
  Clock::time_point last_;
};

class TGrabberGraph {
 public:
  // Enters COM, installs providers for the graph's lifetime and adds the first video input
  // device's source and the grabber to a new graph.
  explicit TGrabberGraph(TDeviceProviders providers);
  ~TGrabberGraph();
  TGrabberGraph(const TGrabberGraph&) = delete;
  TGrabberGraph& operator=(const TGrabberGraph&) = delete;

  // Sets the source's capture format of this width (before Run).
  void ChooseWidth(LONG width);
  // Renders the capture stream into the grabber and runs the graph; false when there is no
  // source or either step fails.
  bool Run();
  TFrameArrivals& Arrivals() { return *arrivals_.Get(); }

 private:
  ComPtr<TFrameArrivals> arrivals_;
  ComPtr<IBaseFilter> source_, grabberFilter_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<ICaptureGraphBuilder2> builder_;
  ComPtr<ISampleGrabber> grabber_;
};
