#include "platform/winmm/waveout.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win/cpu.h"
#include "platform/winmm/waveout_backend.h"

namespace {

using std::chrono::nanoseconds;

// Never poll a backend faster than this, whatever it predicts.
constexpr nanoseconds kMinWait = std::chrono::microseconds(250);

// Audio threads run ahead of the GUI when the system lets us (it does for root only).
void RaiseAudioThreadPriority() { setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10); }

bool InList(const WAVEHDR* head, const WAVEHDR* hdr) {
  for (const WAVEHDR* h = head; h; h = h->lpNext)
    if (h == hdr) return true;
  return false;
}

// The object behind a HWAVEOUT. Two threads: the player feeds the backend from the queue and
// moves every header whose last sample has played to the done list; the notifier (the
// device's own thread) calls the callback for each done header in order. A callback that
// blocks therefore never starves the backend of the buffers already queued.
class WaveOutDevice {
 public:
  WaveOutDevice(std::unique_ptr<WaveOutBackend> backend, WAVEOUTPROC callback, DWORD_PTR instance)
      : backend_(std::move(backend)), callback_(callback), instance_(instance) {}

  // Both threads end here, once the device is closed and its last reference is gone.
  ~WaveOutDevice() {
    {
      std::lock_guard lk(m_);
      stopping_ = true;
    }
    playerCv_.notify_all();
    notifyCv_.notify_all();
    if (player_.joinable()) player_.join();
    if (notifier_.joinable()) notifier_.join();
  }

  HWAVEOUT Handle() { return reinterpret_cast<HWAVEOUT>(this); }

  bool Start() {
    backend_->Wake = [this] {
      std::lock_guard lk(m_);
      playerCv_.notify_all();
    };
    if (!backend_->Open()) return false;
    // Each thread starts with clean vector registers (see ClearUpperVectorState).
    player_ = std::thread([this] {
      ClearUpperVectorState();
      PlayerLoop();
    });
    notifier_ = std::thread([this] {
      ClearUpperVectorState();
      NotifierLoop();
    });
    // WOM_OPEN reaches the callback before the opener goes on.
    std::unique_lock lk(m_);
    deliveredCv_.wait(lk, [this] { return !openPending_; });
    return true;
  }

  MMRESULT Prepare(WAVEHDR* hdr) {
    std::lock_guard lk(m_);
    if (stopping_) return MMSYSERR_INVALHANDLE;
    if (!hdr->lpData) return MMSYSERR_INVALPARAM;
    if (InList(head_, hdr) || InList(doneHead_, hdr)) return WAVERR_STILLPLAYING;
    hdr->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
  }

  MMRESULT Unprepare(WAVEHDR* hdr) {
    std::lock_guard lk(m_);
    if (stopping_) return MMSYSERR_INVALHANDLE;
    if (InList(head_, hdr) || InList(doneHead_, hdr)) return WAVERR_STILLPLAYING;
    hdr->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
  }

  MMRESULT Write(WAVEHDR* hdr) {
    std::lock_guard lk(m_);
    if (stopping_) return MMSYSERR_INVALHANDLE;
    if (!(hdr->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    // Still queued, or done but not yet reported: the lists link through lpNext.
    if (InList(head_, hdr) || InList(doneHead_, hdr)) return WAVERR_STILLPLAYING;
    hdr->dwFlags = (hdr->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    hdr->lpNext = nullptr;
    hdr->reserved = 0;
    if (tail_)
      tail_->lpNext = hdr;
    else
      head_ = hdr;
    tail_ = hdr;
    if (!cursor_) {
      cursor_ = hdr;
      cursorOffset_ = 0;
    }
    playerCv_.notify_all();
    return MMSYSERR_NOERROR;
  }

  MMRESULT Reset() {
    std::unique_lock lk(m_);
    if (stopping_) return MMSYSERR_INVALHANDLE;
    while (head_) MoveHeadToDone();
    cursor_ = nullptr;
    cursorOffset_ = 0;
    written_ = 0;
    backend_->Discard();
    playerCv_.notify_all();
    // From the callback itself the returned headers are reported once it has returned.
    if (std::this_thread::get_id() != notifierId_) {
      const uint64_t target = doneCount_;
      deliveredCv_.wait(lk, [&] { return deliveredCount_ >= target; });
    }
    return MMSYSERR_NOERROR;
  }

  MMRESULT Close() {
    std::unique_lock lk(m_);
    if (std::this_thread::get_id() == notifierId_) return MMSYSERR_HANDLEBUSY;
    if (stopping_) return MMSYSERR_INVALHANDLE;
    if (head_) return WAVERR_STILLPLAYING;
    stopping_ = true;
    playerCv_.notify_all();
    notifyCv_.notify_all();
    lk.unlock();
    player_.join();
    notifier_.join();  // it reports what is left, then WOM_CLOSE
    backend_.reset();
    return MMSYSERR_NOERROR;
  }

 private:
  void MoveHeadToDone() {
    WAVEHDR* hdr = head_;
    if (cursor_ == hdr) {
      cursor_ = hdr->lpNext;
      cursorOffset_ = 0;
    }
    head_ = hdr->lpNext;
    if (!head_) tail_ = nullptr;
    hdr->lpNext = nullptr;
    hdr->reserved = 0;
    hdr->dwFlags = (hdr->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (doneTail_)
      doneTail_->lpNext = hdr;
    else
      doneHead_ = hdr;
    doneTail_ = hdr;
    ++doneCount_;
    notifyCv_.notify_all();
  }

  // Hands the backend as much of the queue as it takes; a header fully written remembers in
  // `reserved` the position its last sample reaches.
  void Feed() {
    while (cursor_) {
      const uint32_t frames = cursor_->dwBufferLength / 2;
      if (cursorOffset_ < frames) {
        const uint32_t room = backend_->Room();
        if (room == 0) return;
        const uint32_t n = std::min(room, frames - cursorOffset_);
        const auto* samples = reinterpret_cast<const int16_t*>(cursor_->lpData) + cursorOffset_;
        const uint32_t took = backend_->Write(samples, n);
        cursorOffset_ += took;
        written_ += took;
        if (took < n) return;
      }
      if (cursorOffset_ == frames) {
        cursor_->reserved = written_;
        cursor_ = cursor_->lpNext;
        cursorOffset_ = 0;
      }
    }
  }

  void Complete() {
    if (!head_ || head_ == cursor_) return;
    const uint64_t played = backend_->Played();
    while (head_ && head_ != cursor_ && head_->reserved <= played) MoveHeadToDone();
  }

  void PlayerLoop() {
    RaiseAudioThreadPriority();
    std::unique_lock lk(m_);
    while (!stopping_) {
      Feed();
      Complete();
      std::optional<nanoseconds> wait;
      if (head_ && head_ != cursor_)
        wait = backend_->TimeUntil(head_->reserved);
      else if (cursor_)
        wait = backend_->TimeUntil(backend_->Played() + 1);  // waiting for room
      if (!wait)
        playerCv_.wait(lk);
      else
        playerCv_.wait_for(lk, std::max(*wait, kMinWait));
    }
  }

  void NotifierLoop() {
    RaiseAudioThreadPriority();
    const auto callback = callback_;
    std::unique_lock lk(m_);
    notifierId_ = std::this_thread::get_id();
    callback(Handle(), WOM_OPEN, instance_, 0, 0);
    openPending_ = false;
    deliveredCv_.notify_all();
    for (;;) {
      notifyCv_.wait(lk, [this] { return doneHead_ || stopping_; });
      if (!doneHead_) break;
      WAVEHDR* hdr = doneHead_;
      doneHead_ = hdr->lpNext;
      if (!doneHead_) doneTail_ = nullptr;
      hdr->lpNext = nullptr;
      lk.unlock();
      callback(Handle(), WOM_DONE, instance_, reinterpret_cast<DWORD_PTR>(hdr), 0);
      backend_->Delivered();
      lk.lock();
      ++deliveredCount_;
      deliveredCv_.notify_all();
    }
    lk.unlock();
    callback(Handle(), WOM_CLOSE, instance_, 0, 0);
  }

  std::mutex m_;
  std::condition_variable playerCv_, notifyCv_, deliveredCv_;
  std::unique_ptr<WaveOutBackend> backend_;
  const WAVEOUTPROC callback_;
  const DWORD_PTR instance_;

  WAVEHDR* head_ = nullptr;  // queued, oldest first, linked through lpNext
  WAVEHDR* tail_ = nullptr;
  WAVEHDR* cursor_ = nullptr;  // first queued header not completely written
  uint32_t cursorOffset_ = 0;  // frames of it written
  uint64_t written_ = 0;       // frames written since opening or the last reset

  WAVEHDR* doneHead_ = nullptr;  // played, waiting for their WOM_DONE
  WAVEHDR* doneTail_ = nullptr;
  uint64_t doneCount_ = 0;
  uint64_t deliveredCount_ = 0;

  bool openPending_ = true;
  bool stopping_ = false;
  std::thread player_, notifier_;
  std::thread::id notifierId_;
};

// Never destroyed: a device still open when the process ends (the program itself always closes
// its own) keeps running until the end rather than being torn down under its own callback.
std::mutex& g_devicesMutex = *new std::mutex;
std::vector<std::shared_ptr<WaveOutDevice>>& g_devices =
    *new std::vector<std::shared_ptr<WaveOutDevice>>;

std::shared_ptr<WaveOutDevice> Find(HWAVEOUT hwo) {
  std::lock_guard lk(g_devicesMutex);
  for (const auto& d : g_devices)
    if (d->Handle() == hwo) return d;
  return nullptr;
}

bool ValidHeader(const WAVEHDR* pwh, UINT cbwh) { return pwh && cbwh >= sizeof(WAVEHDR); }

std::mutex& g_openErrorMutex = *new std::mutex;
std::string& g_openError = *new std::string;

void SetOpenError(const std::string& text) {
  std::lock_guard lk(g_openErrorMutex);
  g_openError = text;
}

}  // namespace

std::string WaveOutOpenError() {
  std::lock_guard lk(g_openErrorMutex);
  return g_openError;
}

MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen) {
  if (!phwo) return MMSYSERR_INVALPARAM;
  *phwo = nullptr;
  if (uDeviceID != WAVE_MAPPER && uDeviceID != 0) return MMSYSERR_BADDEVICEID;
  if (!pwfx) return MMSYSERR_INVALPARAM;
  if (pwfx->wFormatTag != WAVE_FORMAT_PCM || pwfx->nChannels != 1 ||
      pwfx->nSamplesPerSec != WaveOutRate || pwfx->wBitsPerSample != 16 || pwfx->nBlockAlign != 2)
    return WAVERR_BADFORMAT;
  if (fdwOpen != CALLBACK_FUNCTION) return MMSYSERR_INVALFLAG;
  if (!dwCallback) return MMSYSERR_INVALPARAM;

  // Out of memory or threads: a failed open, never an exception through a C-style call.
  try {
    auto backend = MakeWaveOutBackend();
    WaveOutBackend& opened = *backend;
    auto device = std::make_shared<WaveOutDevice>(
        std::move(backend), reinterpret_cast<WAVEOUTPROC>(dwCallback), dwInstance);
    if (!device->Start()) {
      SetOpenError(opened.OpenError());
      return MMSYSERR_NODRIVER;
    }
    SetOpenError({});
    std::lock_guard lk(g_devicesMutex);
    g_devices.push_back(device);
    *phwo = device->Handle();
  } catch (const std::exception&) {
    return MMSYSERR_NOMEM;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
  auto device = Find(hwo);
  if (!device) return MMSYSERR_INVALHANDLE;
  if (!ValidHeader(pwh, cbwh)) return MMSYSERR_INVALPARAM;
  return device->Prepare(pwh);
}

MMRESULT waveOutWrite(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
  auto device = Find(hwo);
  if (!device) return MMSYSERR_INVALHANDLE;
  if (!ValidHeader(pwh, cbwh)) return MMSYSERR_INVALPARAM;
  return device->Write(pwh);
}

MMRESULT waveOutReset(HWAVEOUT hwo) {
  auto device = Find(hwo);
  if (!device) return MMSYSERR_INVALHANDLE;
  return device->Reset();
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
  auto device = Find(hwo);
  if (!device) return MMSYSERR_INVALHANDLE;
  if (!ValidHeader(pwh, cbwh)) return MMSYSERR_INVALPARAM;
  return device->Unprepare(pwh);
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
  auto device = Find(hwo);
  if (!device) return MMSYSERR_INVALHANDLE;
  const MMRESULT result = device->Close();
  if (result == MMSYSERR_NOERROR) {
    std::lock_guard lk(g_devicesMutex);
    std::erase(g_devices, device);
  }
  return result;
}
