// A capture source for the DirectShow tests, built on the layer's filter bases: one capture
// pin offering the given video types; while running, its streaming thread delivers frames
// whose first four bytes count them (0, 1, 2 ...), as many as allowed (all, or a limit the
// test raises). It can be told to fail its run or to lose its device while running.
#pragma once

#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dshow/filterbase.h"
#include "platform/dshow/guids.h"

inline constexpr CLSID CLSID_TestSource{
    0x5E1F0A01, 0x7C3B, 0x4D2A, {0x9E, 0x11, 0x42, 0x6C, 0x33, 0x10, 0xAB, 0x01}};

class TTestSource : public TDSFilter {
 public:
  explicit TTestSource(std::vector<TAMMediaType> types);

  static ComPtr<TTestSource> Make(std::vector<TAMMediaType> types);
  // RGB24 at 64 × 48 and 32 × 24, top-down.
  static ComPtr<TTestSource> MakeRgb();

  IPin* CapturePin();
  // Frames delivered from now on stop at this total (unlimited by default).
  void AllowFrames(uint64_t total);
  // Run fails with this code (S_OK: runs).
  void FailRunWith(HRESULT hr) { runFailure_ = hr; }
  // The streaming thread reports EC_DEVICE_LOST and delivers nothing more.
  void LoseDevice();

  uint64_t Delivered();
  // Deliveries the receiver refused.
  uint64_t Refused();
  bool Streaming();

 protected:
  ~TTestSource() override;
  HRESULT OnRun(REFERENCE_TIME start) override;
  HRESULT OnPause(FILTER_STATE from) override;
  void OnStop() override;

 private:
  class TPin;
  void Stream();
  void Join();

  TPin* pin_;
  HRESULT runFailure_ = S_OK;
  std::mutex lock_;
  std::condition_variable wake_;
  bool stop_ = false, lost_ = false;
  uint64_t allowed_ = std::numeric_limits<uint64_t>::max();
  uint64_t delivered_ = 0, refused_ = 0;
  std::thread thread_;
};

// A sink for the DirectShow tests: one input pin taking any video type, counting what arrives.
class TTestSink : public TDSFilter {
 public:
  TTestSink();
  static ComPtr<TTestSink> Make();
  std::vector<uint32_t> Counters();

 private:
  class TPin;
  std::mutex lock_;
  std::vector<uint32_t> counters_;
};
