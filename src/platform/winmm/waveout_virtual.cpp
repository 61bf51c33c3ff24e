#include "platform/winmm/waveout_virtual.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/winmm/waveout_backend.h"

namespace {
std::atomic<VirtualWaveOut*> g_installed{nullptr};
// The paced device takes what a sound card's ring would: two periods of 512 frames.
constexpr uint32_t kClockCapacity = 1024;
constexpr uint32_t kSteppedCapacity = 1u << 30;
}  // namespace

// One open of the virtual device; all its state lives under the device's mutex.
class VirtualWaveOutBackend : public WaveOutBackend {
 public:
  explicit VirtualWaveOutBackend(VirtualWaveOut& device) : d_(device) {}

  ~VirtualWaveOutBackend() override {
    std::lock_guard lk(d_.m_);
    if (d_.open_ != this) return;
    d_.open_ = nullptr;
    d_.pending_.clear();
    d_.pendingChunks_.clear();
    d_.cv_.notify_all();
  }

  bool Open() override {
    std::lock_guard lk(d_.m_);
    if (!d_.present_ || d_.open_) return false;
    d_.open_ = this;
    ++d_.openCount_;
    d_.pending_.clear();
    d_.pendingChunks_.clear();
    return true;
  }

  uint32_t Room() override {
    std::lock_guard lk(d_.m_);
    if (d_.pace_ == VirtualWaveOut::Pace::Stepped) return kSteppedCapacity;
    AdvanceLocked(SampleClock::Clock::now());
    return kClockCapacity - static_cast<uint32_t>(written_ - played_);
  }

  uint32_t Write(const int16_t* samples, uint32_t frames) override {
    std::lock_guard lk(d_.m_);
    if (d_.pace_ == VirtualWaveOut::Pace::Clock) {
      const auto now = SampleClock::Clock::now();
      AdvanceLocked(now);
      // Ran dry (or never started): playing starts again with these samples.
      if (!clock_.Running() || clock_.Position(now) > written_) clock_.Anchor(written_, now);
    } else {
      d_.pendingChunks_.push_back(frames);
    }
    d_.pending_.insert(d_.pending_.end(), samples, samples + frames);
    written_ += frames;
    return frames;
  }

  uint64_t Played() override {
    std::lock_guard lk(d_.m_);
    if (d_.pace_ == VirtualWaveOut::Pace::Clock) AdvanceLocked(SampleClock::Clock::now());
    return played_;
  }

  std::optional<std::chrono::nanoseconds> TimeUntil(uint64_t target) override {
    std::lock_guard lk(d_.m_);
    if (target <= played_) return std::chrono::nanoseconds(0);
    if (d_.pace_ == VirtualWaveOut::Pace::Stepped || !clock_.Running()) return std::nullopt;
    return clock_.Until(target, SampleClock::Clock::now());
  }

  void Discard() override {
    std::lock_guard lk(d_.m_);
    d_.pending_.clear();
    d_.pendingChunks_.clear();
    written_ = played_ = 0;
    clock_.Stop();
  }

  void Delivered() override {
    if (d_.observer_) d_.observer_();
    std::lock_guard lk(d_.m_);
    ++d_.completions_;
    d_.cv_.notify_all();
  }

  // Moves `frames` pending samples to the played ones.
  void PlayLocked(uint64_t frames) {
    auto end = d_.pending_.begin() + static_cast<std::ptrdiff_t>(frames);
    d_.played_.insert(d_.played_.end(), d_.pending_.begin(), end);
    d_.pending_.erase(d_.pending_.begin(), end);
    played_ += frames;
  }

 private:
  void AdvanceLocked(SampleClock::Clock::time_point now) {
    if (!clock_.Running()) return;
    const uint64_t position = std::min(written_, clock_.Position(now));
    if (position > played_) PlayLocked(position - played_);
  }

  VirtualWaveOut& d_;
  SampleClock clock_;
  uint64_t written_ = 0;
  uint64_t played_ = 0;
};

VirtualWaveOut::VirtualWaveOut(Pace pace) : VirtualWaveOut(pace, true) {}

VirtualWaveOut::VirtualWaveOut(Pace pace, bool install) : pace_(pace), installed_(install) {
  if (installed_) g_installed.store(this);
}

VirtualWaveOut::~VirtualWaveOut() {
  if (!installed_) return;
  VirtualWaveOut* self = this;
  g_installed.compare_exchange_strong(self, nullptr);
}

void VirtualWaveOut::SetPresent(bool present) {
  std::lock_guard lk(m_);
  present_ = present;
}

void VirtualWaveOut::OnCompletion(std::function<void()> observer) {
  std::lock_guard lk(m_);
  observer_ = std::move(observer);
}

bool VirtualWaveOut::Step() {
  std::unique_lock lk(m_);
  if (pace_ != Pace::Stepped || !open_ || pendingChunks_.empty()) return false;
  const uint32_t frames = pendingChunks_.front();
  pendingChunks_.pop_front();
  open_->PlayLocked(frames);
  const uint64_t target = completions_ + 1;
  const auto wake = open_->Wake;
  lk.unlock();
  wake();
  lk.lock();
  cv_.wait(lk, [&] { return completions_ >= target || !open_; });
  return true;
}

size_t VirtualWaveOut::Pending() const {
  std::lock_guard lk(m_);
  return pendingChunks_.size();
}

bool VirtualWaveOut::IsOpen() const {
  std::lock_guard lk(m_);
  return open_ != nullptr;
}

int VirtualWaveOut::OpenCount() const {
  std::lock_guard lk(m_);
  return openCount_;
}

uint64_t VirtualWaveOut::Completions() const {
  std::lock_guard lk(m_);
  return completions_;
}

std::vector<int16_t> VirtualWaveOut::Played() const {
  std::lock_guard lk(m_);
  return played_;
}

size_t VirtualWaveOut::PlayedCount() const {
  std::lock_guard lk(m_);
  return played_.size();
}

void VirtualWaveOut::ClearPlayed() {
  std::lock_guard lk(m_);
  played_.clear();
}

VirtualWaveOut* VirtualWaveOut::Installed() { return g_installed.load(); }

VirtualWaveOut& VirtualWaveOut::Shared() {
  static VirtualWaveOut* shared = new VirtualWaveOut(Pace::Clock, false);
  return *shared;
}

std::unique_ptr<WaveOutBackend> MakeWaveOutBackend() {
  if (VirtualWaveOut* device = VirtualWaveOut::Installed())
    return std::make_unique<VirtualWaveOutBackend>(*device);
  const char* name = std::getenv("LUMATAP_AUDIO_DEVICE");
  if (name && std::strcmp(name, "virtual") == 0)
    return std::make_unique<VirtualWaveOutBackend>(VirtualWaveOut::Shared());
  return MakeAlsaWaveOutBackend();
}
