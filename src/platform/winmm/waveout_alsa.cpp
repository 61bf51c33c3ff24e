// Wave-out on an ALSA PCM: 48000 Hz, mono, S16, periods of 512 frames in a ring of four. Every
// sample in the ring belongs to a buffer not yet reported done, so the layer adds no more than
// the PCM's own granularity (one period) to the buffers the program keeps queued; and the ring
// holds all three of them, so a late wake of the player thread is no underrun.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/winmm/alsa_quiet.h"
#include "platform/winmm/waveout_backend.h"

namespace {

constexpr snd_pcm_uframes_t kPeriodFrames = 512;
constexpr snd_pcm_uframes_t kRingFrames = 4 * kPeriodFrames;

class AlsaWaveOutBackend : public WaveOutBackend {
 public:
  ~AlsaWaveOutBackend() override {
    if (pcm_) snd_pcm_close(pcm_);
  }

  bool Open() override {
    SilenceAlsaErrors();  // the engine reports nothing, a missing device included
    const char* name = std::getenv("LUMATAP_AUDIO_DEVICE");
    if (!name || !*name) name = "default";
    const int err = snd_pcm_open(&pcm_, name, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0) {
      pcm_ = nullptr;
      openError_ = "\"" + std::string(name) + "\": " + snd_strerror(err);
      return false;
    }
    if (!Configure()) {
      snd_pcm_close(pcm_);
      pcm_ = nullptr;
      openError_ =
          "\"" + std::string(name) + "\": the device does not play 16-bit mono at 48000 Hz";
      return false;
    }
    return true;
  }

  std::string OpenError() const override { return openError_; }

  // A PCM that swallows everything at once still gets no more than a ring ahead of the clock.
  uint32_t Room() override {
    UpdatePlayed();
    const uint64_t inFlight = written_ - played_;
    return static_cast<uint32_t>(ringFrames_ > inFlight ? ringFrames_ - inFlight : 0);
  }

  uint32_t Write(const int16_t* samples, uint32_t frames) override {
    UpdatePlayed();
    const auto now = SampleClock::Clock::now();
    if (!clock_.Running() || clock_.Position(now) > written_) clock_.Anchor(written_, now);
    snd_pcm_sframes_t n = snd_pcm_writei(pcm_, samples, frames);
    if (n == -EAGAIN) return 0;
    if (n < 0) {
      Recover(static_cast<int>(n));
      n = snd_pcm_writei(pcm_, samples, frames);
      if (n == -EAGAIN) return 0;
      // A device that went away: the samples are lost, the clock keeps the completions going.
      if (n < 0) n = frames;
    }
    written_ += static_cast<uint64_t>(n);
    return static_cast<uint32_t>(n);
  }

  uint64_t Played() override {
    UpdatePlayed();
    return played_;
  }

  std::optional<std::chrono::nanoseconds> TimeUntil(uint64_t target) override {
    UpdatePlayed();
    if (target <= played_) return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds((target - played_) * 1000000000u / WaveOutRate + 1);
  }

  void Discard() override {
    snd_pcm_drop(pcm_);
    snd_pcm_prepare(pcm_);
    written_ = played_ = 0;
    clock_.Stop();
  }

 private:
  bool Configure() {
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm_, hw) < 0) return false;
    if (snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0) return false;
    if (snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_S16_LE) < 0) return false;
    if (snd_pcm_hw_params_set_channels(pcm_, hw, 1) < 0) return false;
    if (snd_pcm_hw_params_set_rate(pcm_, hw, WaveOutRate, 0) < 0) return false;
    snd_pcm_uframes_t period = kPeriodFrames;
    int dir = 0;
    if (snd_pcm_hw_params_set_period_size_near(pcm_, hw, &period, &dir) < 0) return false;
    snd_pcm_uframes_t ring = std::max(kRingFrames, 2 * period);
    if (snd_pcm_hw_params_set_buffer_size_near(pcm_, hw, &ring) < 0) return false;
    if (snd_pcm_hw_params(pcm_, hw) < 0) return false;
    snd_pcm_hw_params_get_buffer_size(hw, &ring);
    ringFrames_ = ring;

    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    if (snd_pcm_sw_params_current(pcm_, sw) < 0) return false;
    // Start with the first sample written: the program queues whole buffers anyway.
    snd_pcm_sw_params_set_start_threshold(pcm_, sw, 1);
    snd_pcm_sw_params_set_avail_min(pcm_, sw, period);
    if (snd_pcm_sw_params(pcm_, sw) < 0) return false;
    return snd_pcm_prepare(pcm_) >= 0;
  }

  void Recover(int err) {
    // After a system suspend the PCM must be resumed; ALSA's own recovery would sleep a
    // second per try while the device lock is held (and with it the window and the
    // callback). One try here; while the hardware is not ready yet, the next wake tries again.
    if (err == -ESTRPIPE) {
      const int resumed = snd_pcm_resume(pcm_);
      if (resumed == -EAGAIN) return;
      if (resumed < 0) snd_pcm_prepare(pcm_);
      return;
    }
    if (snd_pcm_recover(pcm_, err, 1) < 0) snd_pcm_prepare(pcm_);
  }

  // The position: how far the PCM has taken samples out of its ring (what a wave-out driver
  // reports as done); latency past the ring (a sound server's) is the PCM's, not ours. A PCM
  // that holds nothing back ("null", "file") is held to the sample clock instead.
  void UpdatePlayed() {
    snd_pcm_sframes_t avail = snd_pcm_avail(pcm_);
    const auto now = SampleClock::Clock::now();
    if (avail < 0) {
      Recover(static_cast<int>(avail));  // ran dry: everything written is gone
      avail = static_cast<snd_pcm_sframes_t>(ringFrames_);
    }
    const uint64_t fill =
        ringFrames_ - std::min<uint64_t>(static_cast<uint64_t>(avail), ringFrames_);
    const uint64_t unplayed = written_ - played_;
    uint64_t position;
    if (fill > 0) {
      position = written_ - std::min(fill, unplayed);
      clock_.Anchor(position, now);  // the PCM keeps time; the clock only follows it
    } else {
      position = clock_.Running() ? std::min(written_, clock_.Position(now)) : played_;
    }
    played_ = std::max(played_, position);
  }

  snd_pcm_t* pcm_ = nullptr;
  std::string openError_;
  uint64_t ringFrames_ = kRingFrames;
  uint64_t written_ = 0;
  uint64_t played_ = 0;
  SampleClock clock_;
};

}  // namespace

std::unique_ptr<WaveOutBackend> MakeAlsaWaveOutBackend() {
  return std::make_unique<AlsaWaveOutBackend>();
}
