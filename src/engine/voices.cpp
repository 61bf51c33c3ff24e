#include "engine/voices.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include "engine/host.h"
#include "engine/mixer.h"

TVoice Voices[VoiceCount];

namespace {

// The exclusion between voice changes and block computations. A voice change holds VoiceLock
// across its test of CalcBusy and the change itself, and a master sets CalcBusy := −1 under the
// same lock (MarkVoicesBusy) before it reads any voice. So a master that is just starting waits
// for a change in progress to finish, and a change that comes later sees the mark and waits,
// polling every millisecond, until the master has cleared it. The callback's start path may
// claim CalcBusy even earlier (StartMasterIfIdle); changes then only wait a little longer.
std::mutex VoiceLock;

template <class Change>
void ChangeVoices(Change&& change) {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(VoiceLock);
      if (CalcBusy.load() == 0) {
        change();
        return;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// The first voice with this id that is held (attack or sustain), or none.
TVoice* HeldVoice(int32_t Id) {
  for (TVoice& voice : Voices)
    if (voice.Id == Id && (voice.State == vsAttack || voice.State == vsSustain)) return &voice;
  return nullptr;
}

// A free voice, else the releasing voice with the fewest release blocks left (lowest index
// among equals), else none.
TVoice* VoiceForNewNote() {
  for (TVoice& voice : Voices)
    if (voice.State == vsFree) return &voice;
  TVoice* best = nullptr;
  for (TVoice& voice : Voices)
    if (voice.State == vsRelease && (!best || voice.ReleaseLeft < best->ReleaseLeft)) best = &voice;
  return best;
}

}  // namespace

int32_t NearestBin(float Frequency) {
  // The grid is non-decreasing, so the first bin above the frequency is an upper bound.
  const float* begin = BinFrequency + 1;
  const float* end = BinFrequency + BinCount;
  const float* above = std::upper_bound(begin, end, Frequency);
  if (above == end) return BinCount - 1;
  const int32_t i = static_cast<int32_t>(above - BinFrequency);
  const float up = BinFrequency[i] - Frequency;
  const float down = Frequency - BinFrequency[i - 1];
  return up < down ? i : i - 1;
}

void NoteOn(int32_t Id, float Frequency, float Volume) {
  ChangeVoices([&] {
    const float v = Volume * InstrumentVolume[0];
    TVoice* voice = VoiceForNewNote();
    if (!voice) return;
    voice->State = vsAttack;
    voice->Id = Id;
    voice->Volume = v;
    voice->AttackLeft = AttackPosition();
    voice->ReleaseLeft = ReleasePosition();
    voice->Cur = voice->BufferA;
    voice->Next = voice->BufferB;
    voice->Bin = NearestBin(Frequency);
    // Every new note starts from silence, a stolen voice included.
    std::fill(std::begin(voice->BufferA), std::end(voice->BufferA), 0.0f);
  });
}

void NoteMove(int32_t Id, float Frequency, float Volume) {
  ChangeVoices([&] {
    const float v = Volume * InstrumentVolume[0];
    TVoice* voice = HeldVoice(Id);
    if (!voice) return;
    // A move re-attacks over half the attack time plus one block; a voice still in its
    // attack keeps its remaining count.
    auto reattack = [voice] {
      voice->State = vsAttack;
      if (voice->AttackLeft <= 0) voice->AttackLeft = AttackPosition() / 2 + 1;
    };
    if (v != voice->Volume) {
      voice->Volume = v;
      reattack();
    }
    const int32_t bin = NearestBin(Frequency);
    if (bin == voice->Bin) return;
    voice->Bin = bin;
    reattack();
  });
}

void NoteOff(int32_t Id) {
  ChangeVoices([&] {
    if (TVoice* voice = HeldVoice(Id)) voice->State = vsRelease;
  });
}

void ReleaseAllVoices() {
  ChangeVoices([] {
    for (TVoice& voice : Voices)
      if (voice.State == vsAttack || voice.State == vsSustain) voice.State = vsRelease;
  });
}

void FreeAllVoices() {
  ChangeVoices([] {
    for (TVoice& voice : Voices) {
      voice.Id = 0;
      voice.State = vsFree;
      voice.Bin = 0;
      voice.Volume = 0.0f;
      voice.AttackLeft = 0;
      voice.ReleaseLeft = 0;
      voice.Cur = voice.BufferA;
      voice.Next = voice.BufferB;
      std::fill(std::begin(voice.BufferA), std::end(voice.BufferA), 0.0f);
      std::fill(std::begin(voice.BufferB), std::end(voice.BufferB), 0.0f);
    }
  });
}

void WithVoicesLocked(const std::function<void()>& change) { ChangeVoices(change); }

void MarkVoicesBusy() {
  std::lock_guard<std::mutex> lock(VoiceLock);
  CalcBusy.store(-1);
}

void EnvelopeStep(TVoice& voice) {
  float* cur = voice.Cur;
  float* next = voice.Next;
  switch (voice.State) {
    case vsAttack: {
      // Output bin p takes spectrum bin p − shift; outside the spectrum the target is 0.
      const int32_t shift = voice.Bin - MainBin.load(std::memory_order_relaxed);
      const int32_t lo = std::max(0, shift);
      const int32_t hi = std::min(BinCount - 1, BinCount - 1 + shift);
      const float volume = voice.Volume;
      std::fill(next, next + lo, 0.0f);
      if (hi + 1 < BinCount) std::fill(next + hi + 1, next + BinCount, 0.0f);
      if (voice.AttackLeft > 1) {
        const float f = static_cast<float>(1.0 / voice.AttackLeft);
        for (int32_t p = lo; p <= hi; ++p) {
          const float target = InstrumentSpectrum[p - shift].v[0] * volume;
          next[p] = ((target - cur[p]) * f) + cur[p];
        }
      } else {
        for (int32_t p = lo; p <= hi; ++p) next[p] = InstrumentSpectrum[p - shift].v[0] * volume;
      }
      break;
    }
    case vsSustain:
      std::copy(cur, cur + BinCount, next);
      break;
    case vsRelease:
      if (voice.ReleaseLeft > 1) {
        const float f = static_cast<float>(1.0 - 1.9 / voice.ReleaseLeft);
        for (int32_t p = 0; p < BinCount; ++p) next[p] = cur[p] * f;
      } else {
        std::fill(next, next + BinCount, 0.0f);
      }
      break;
    default:
      break;
  }
}

void AdvanceState(TVoice& voice) {
  switch (voice.State) {
    case vsAttack:
      if (--voice.AttackLeft <= 0) voice.State = vsSustain;
      std::swap(voice.Cur, voice.Next);
      break;
    case vsRelease:
      if (--voice.ReleaseLeft <= 0)
        voice.State = vsFree;
      else
        std::swap(voice.Cur, voice.Next);
      break;
    default:
      break;
  }
}
