// The one small interface behind wave-out: a sink for 16-bit mono samples at 48000 Hz that
// says how far it has played. The device core (waveout.cpp) owns the queue, the order and the
// completions; a backend only takes samples and reports its position.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

inline constexpr uint32_t WaveOutRate = 48000;

class WaveOutBackend {
 public:
  virtual ~WaveOutBackend() = default;

  // False when there is no device; the backend is then dropped unused.
  virtual bool Open() = 0;
  // After a failed Open: the device's name and why it could not be opened.
  virtual std::string OpenError() const { return "no sound device"; }
  // Frames the backend takes now without waiting.
  virtual uint32_t Room() = 0;
  // Takes up to `frames` samples and returns how many it took.
  virtual uint32_t Write(const int16_t* samples, uint32_t frames) = 0;
  // Frames played since opening or since the last Discard; never goes back.
  virtual uint64_t Played() = 0;
  // How long until Played() may reach `target`; nullopt when only Wake can tell.
  virtual std::optional<std::chrono::nanoseconds> TimeUntil(uint64_t target) = 0;
  // Forgets whatever was written and not played; positions start again from 0.
  virtual void Discard() = 0;
  // A WOM_DONE callback has returned.
  virtual void Delivered() {}

  // Set by the core before Open: wakes the core when the position moved for reasons of the
  // backend's own (a test stepping the virtual device).
  std::function<void()> Wake;
};

// Keeps a sink that consumes faster than real time (ALSA's "null" and "file" PCMs, the paced
// virtual device) to the sample clock: the position it grants runs at 48000 frames a second
// from the moment playing (re)started.
class SampleClock {
 public:
  using Clock = std::chrono::steady_clock;

  bool Running() const { return running_; }
  // Playing (re)starts at `frames` now.
  void Anchor(uint64_t frames, Clock::time_point now) {
    running_ = true;
    origin_ = now;
    originFrames_ = frames;
  }
  void Stop() { running_ = false; }
  uint64_t Position(Clock::time_point now) const {
    if (!running_) return originFrames_;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now - origin_).count();
    // In 128 bits: nanoseconds × 48000 leaves 64 bits after about 106 hours of playing.
    const unsigned __int128 elapsed = static_cast<uint64_t>(ns < 0 ? 0 : ns);
    return originFrames_ + static_cast<uint64_t>(elapsed * WaveOutRate / 1000000000u);
  }
  // Time from `now` until the clock reaches `target`.
  std::chrono::nanoseconds Until(uint64_t target, Clock::time_point now) const {
    const uint64_t pos = Position(now);
    if (target <= pos) return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds((target - pos) * 1000000000u / WaveOutRate + 1);
  }

 private:
  bool running_ = false;
  Clock::time_point origin_{};
  uint64_t originFrames_ = 0;
};

// The ALSA PCM named by LUMATAP_AUDIO_DEVICE ("default" when unset).
std::unique_ptr<WaveOutBackend> MakeAlsaWaveOutBackend();
// The backend the next waveOutOpen uses: the installed virtual device, the virtual device
// when LUMATAP_AUDIO_DEVICE is "virtual", else ALSA.
std::unique_ptr<WaveOutBackend> MakeWaveOutBackend();
