// The synthetic camera: a video input device in process. A test (or LUMATAP_CAMERA=synthetic)
// makes cameras, sets what they show and how frames are paced, and lists them through a
// provider; the system device enumerator then offers them like any camera, and binding one
// gives its capture source filter (synthetic_source.cpp).
//
// Threads: one stream at a time holds a camera, from the filter's run to its stop. Its
// streaming thread waits here for each frame (the clock's due time, or a test's Step), draws it
// with the script and delivers it; the test's calls may come from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/capture_pin.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/synthetic_scene.h"

// The class of the synthetic camera's capture source filter (its property bag's "CLSID").
inline constexpr CLSID CLSID_SyntheticCameraSource{
    0x4E663A74, 0x1F2A, 0x42DF, {0x91, 0x75, 0xD2, 0x79, 0xB9, 0xD5, 0xCB, 0xD4}};

enum class TCameraPace {
  Clock,    // a frame every frame time, as a real camera delivers them
  Stepped,  // a frame for each Step, back to back
};

class TSyntheticCamera {
 public:
  TSyntheticCamera(std::string path, std::string friendlyName);
  TSyntheticCamera(const TSyntheticCamera&) = delete;
  TSyntheticCamera& operator=(const TSyntheticCamera&) = delete;

  const std::string& Path() const { return path_; }
  const std::string& FriendlyName() const { return friendlyName_; }
  // 640 × 480 (the first), 320 × 240 and 1920 × 1080, 30 frames a second.
  static const std::vector<TVideoFormat>& Formats();

  // What the camera shows from the next frame on; an empty script: the default scene.
  void SetScript(TFrameScript script);
  // Takes effect when the next stream starts.
  void SetPace(TCameraPace pace);
  // Unplugs (false) or plugs in the camera. Unplugged, it is not listed and binds nothing, and
  // a running stream reports EC_DEVICE_LOST and delivers no further frame.
  void SetPresent(bool present);
  bool Present() const;

  // A stream holds the camera and has not ended (stopped, or lost the camera).
  bool Streaming() const;
  // Stepped: has the streaming thread draw and deliver one frame, and returns once the
  // delivery returned. False (no frame) when no stepped stream runs or it ends meanwhile.
  bool Step();
  // Frames delivered since the camera was made (every stream).
  uint64_t FramesDelivered() const;

  // ---- for the capture source filter ----

  // The stream starts (on the thread that runs the filter): VFW_E_NO_CAPTURE_HARDWARE when
  // unplugged, E_DEVICE_BUSY while another stream holds the camera.
  HRESULT Open(REFERENCE_TIME frameTime);
  enum class TWait { Frame, Stop, Lost };
  // Streaming thread: waits for the next frame to be due. On Frame, index is the number of the
  // frame (from 0 in each stream; the clock skips the frames a slow receiver missed). After
  // Stop or Lost the stream has ended.
  TWait WaitForFrame(uint64_t* index);
  // Streaming thread: the frame of the last Frame has been delivered.
  void FrameDone();
  // Draws frame index with the script (streaming thread).
  void Draw(uint64_t index, TFrameView& frame);
  // Ends the stream: the waiting streaming thread gets Stop.
  void RequestStop();
  // After the streaming thread ended: the camera is free again.
  void Close();

 private:
  using Clock = std::chrono::steady_clock;

  const std::string path_;
  const std::string friendlyName_;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::shared_ptr<const TFrameScript> script_;
  TCameraPace pace_ = TCameraPace::Clock;
  bool present_ = true;
  uint64_t delivered_ = 0;

  // The stream that holds the camera.
  bool open_ = false;
  bool live_ = false;  // open and its thread still produces frames
  bool stopping_ = false;
  TCameraPace streamPace_ = TCameraPace::Clock;
  REFERENCE_TIME frameTime_ = 0;
  Clock::time_point start_{};
  uint64_t nextIndex_ = 0;
  uint64_t stepsAsked_ = 0, stepsDone_ = 0;
};

// Lists its cameras (those plugged in) under the name "synthetic".
class TSyntheticCameraProvider : public TDeviceProvider {
 public:
  explicit TSyntheticCameraProvider(std::vector<std::shared_ptr<TSyntheticCamera>> cameras)
      : cameras_(std::move(cameras)) {}

  std::string Name() const override { return "synthetic"; }
  std::vector<TVideoDevice> ListDevices() override;
  HRESULT CreateSourceFilter(const std::string& path, IBaseFilter** filter) override;

 private:
  const std::vector<std::shared_ptr<TSyntheticCamera>> cameras_;
};

// The capture source filter of a camera (synthetic_source.cpp).
HRESULT CreateSyntheticCameraSource(std::shared_ptr<TSyntheticCamera> camera, IBaseFilter** filter);

// The provider that LUMATAP_CAMERA=synthetic adds: one camera showing the default scene at
// the clock's pace, alive to the end of the program.
std::shared_ptr<TDeviceProvider> SharedSyntheticCameraProvider();
