// The in-process wave-out device for tests: while one is installed (or LUMATAP_AUDIO_DEVICE
// is "virtual"), waveOutOpen plays into it instead of ALSA. It keeps every sample it played.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class VirtualWaveOutBackend;

class VirtualWaveOut {
 public:
  enum class Pace {
    Clock,    // plays in real time, like a sound card
    Stepped,  // plays only what Step tells it to
  };

  // Installs the device for every following waveOutOpen; the destructor uninstalls it. The
  // device must not be open when it is destroyed.
  explicit VirtualWaveOut(Pace pace);
  ~VirtualWaveOut();
  VirtualWaveOut(const VirtualWaveOut&) = delete;
  VirtualWaveOut& operator=(const VirtualWaveOut&) = delete;

  // Without a device waveOutOpen fails, as with no sound card.
  void SetPresent(bool present);

  // Stepped: plays the oldest buffer written to the device and returns once its WOM_DONE
  // callback has returned. False when the device is closed or holds nothing to play.
  bool Step();
  // Stepped: buffers written to the device and not yet played.
  size_t Pending() const;

  // Runs on the device's thread right after each WOM_DONE callback has returned (set it
  // while the device is closed).
  void OnCompletion(std::function<void()> observer);

  bool IsOpen() const;
  int OpenCount() const;         // successful opens so far
  uint64_t Completions() const;  // WOM_DONE callbacks returned so far
  // Every sample played since the device was installed, in playing order.
  std::vector<int16_t> Played() const;
  size_t PlayedCount() const;
  void ClearPlayed();

  // The installed device, else nullptr.
  static VirtualWaveOut* Installed();
  // The device used for LUMATAP_AUDIO_DEVICE=virtual when none is installed (paced by the
  // clock, created on first use, lives to the end of the program).
  static VirtualWaveOut& Shared();

 private:
  friend class VirtualWaveOutBackend;
  VirtualWaveOut(Pace pace, bool install);

  const Pace pace_;
  const bool installed_;
  mutable std::mutex m_;
  std::condition_variable cv_;
  bool present_ = true;
  VirtualWaveOutBackend* open_ = nullptr;
  int openCount_ = 0;
  uint64_t completions_ = 0;
  std::vector<int16_t> played_;
  std::vector<int16_t> pending_;        // written, not played, oldest first
  std::deque<uint32_t> pendingChunks_;  // stepped: frames of each write still pending
  std::function<void()> observer_;
};
