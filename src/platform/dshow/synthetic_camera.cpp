#include "platform/dshow/synthetic_camera.h"

#include <algorithm>

TSyntheticCamera::TSyntheticCamera(std::string path, std::string friendlyName)
    : path_(std::move(path)), friendlyName_(std::move(friendlyName)) {}

const std::vector<TVideoFormat>& TSyntheticCamera::Formats() {
  static const std::vector<TVideoFormat> formats = {
      {640, 480, UNITS / 30}, {320, 240, UNITS / 30}, {1920, 1080, UNITS / 30}};
  return formats;
}

void TSyntheticCamera::SetScript(TFrameScript script) {
  auto held = script ? std::make_shared<const TFrameScript>(std::move(script)) : nullptr;
  std::lock_guard guard(lock_);
  script_ = std::move(held);
}

void TSyntheticCamera::SetPace(TCameraPace pace) {
  std::lock_guard guard(lock_);
  pace_ = pace;
}

void TSyntheticCamera::SetPresent(bool present) {
  std::lock_guard guard(lock_);
  present_ = present;
  changed_.notify_all();
}

bool TSyntheticCamera::Present() const {
  std::lock_guard guard(lock_);
  return present_;
}

bool TSyntheticCamera::Streaming() const {
  std::lock_guard guard(lock_);
  return live_;
}

uint64_t TSyntheticCamera::FramesDelivered() const {
  std::lock_guard guard(lock_);
  return delivered_;
}

bool TSyntheticCamera::Step() {
  std::unique_lock guard(lock_);
  if (!live_ || streamPace_ != TCameraPace::Stepped) return false;
  const uint64_t target = ++stepsAsked_;
  changed_.notify_all();
  changed_.wait(guard, [&] { return stepsDone_ >= target || !live_; });
  return stepsDone_ >= target;
}

HRESULT TSyntheticCamera::Open(REFERENCE_TIME frameTime) {
  std::lock_guard guard(lock_);
  if (!present_) return VFW_E_NO_CAPTURE_HARDWARE;
  if (open_) return E_DEVICE_BUSY;
  open_ = live_ = true;
  stopping_ = false;
  streamPace_ = pace_;
  frameTime_ = frameTime > 0 ? frameTime : UNITS / 30;
  start_ = Clock::now();
  nextIndex_ = 0;
  stepsAsked_ = stepsDone_ = 0;
  return S_OK;
}

TSyntheticCamera::TWait TSyntheticCamera::WaitForFrame(uint64_t* index) {
  std::unique_lock guard(lock_);
  const auto ended = [this] { return stopping_ || !present_; };
  if (streamPace_ == TCameraPace::Stepped) {
    changed_.wait(guard, [&] { return ended() || stepsAsked_ > stepsDone_; });
  } else {
    const auto frameDuration = std::chrono::nanoseconds(frameTime_ * 100);
    // A receiver slower than the camera misses frames, as it would with a real one.
    const auto late = (Clock::now() - start_) / frameDuration;
    nextIndex_ = std::max<uint64_t>(nextIndex_, late > 0 ? late : 0);
    changed_.wait_until(guard, start_ + nextIndex_ * frameDuration, ended);
  }
  if (ended()) {
    live_ = false;
    changed_.notify_all();
    return stopping_ ? TWait::Stop : TWait::Lost;
  }
  *index = nextIndex_++;
  return TWait::Frame;
}

void TSyntheticCamera::FrameDone() {
  std::lock_guard guard(lock_);
  ++delivered_;
  if (streamPace_ == TCameraPace::Stepped) ++stepsDone_;
  changed_.notify_all();
}

void TSyntheticCamera::Draw(uint64_t index, TFrameView& frame) {
  std::shared_ptr<const TFrameScript> script;
  {
    std::lock_guard guard(lock_);
    script = script_;
  }
  if (script)
    (*script)(index, frame);
  else
    DrawDefaultScene(index, frame);
}

void TSyntheticCamera::RequestStop() {
  std::lock_guard guard(lock_);
  stopping_ = true;
  changed_.notify_all();
}

void TSyntheticCamera::Close() {
  std::lock_guard guard(lock_);
  open_ = live_ = stopping_ = false;
  changed_.notify_all();
}

std::vector<TVideoDevice> TSyntheticCameraProvider::ListDevices() {
  std::vector<TVideoDevice> devices;
  for (const auto& camera : cameras_)
    if (camera->Present())
      devices.push_back({camera->Path(), camera->FriendlyName(), CLSID_SyntheticCameraSource});
  return devices;
}

HRESULT TSyntheticCameraProvider::CreateSourceFilter(const std::string& path,
                                                     IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  for (const auto& camera : cameras_)
    if (camera->Path() == path && camera->Present())
      return CreateSyntheticCameraSource(camera, filter);
  return VFW_E_NO_CAPTURE_HARDWARE;
}

std::shared_ptr<TDeviceProvider> SharedSyntheticCameraProvider() {
  static const auto provider = std::make_shared<TSyntheticCameraProvider>(
      std::vector{std::make_shared<TSyntheticCamera>("synthetic:0", "Lumatap Synthetic Camera")});
  return provider;
}
