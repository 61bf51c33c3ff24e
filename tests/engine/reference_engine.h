// A plain scalar model of the voices and of one block, step by step in the order the engine
// must keep: groups outer, bins inner, one std::fma per lane, partial blocks per range summed
// in range order. It shares only the read-only tables and the instrument with the engine and
// keeps its own voices, table positions and clip volume.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/waves.h"

struct RefVoice {
  int32_t Id = 0, State = 0, Bin = 0;
  float Volume = 0.0f;
  int32_t AttackLeft = 0, ReleaseLeft = 0;
  std::vector<float> cur = std::vector<float>(BinCount), next = std::vector<float>(BinCount);
};

using TBlock = std::array<int16_t, 1024>;

class RefEngine {
 public:
  int32_t attack = 1, release = 1;
  RefVoice voice[10];
  std::vector<int32_t> pos{WavePosition, WavePosition + BinCount};
  float clip = ClipVolume.load();

  static int32_t Nearest(float f) {
    for (int i = 1; i < BinCount; ++i)
      if (f < BinFrequency[i]) return (BinFrequency[i] - f < f - BinFrequency[i - 1]) ? i : i - 1;
    return BinCount - 1;
  }

  void NoteOn(int32_t id, float f, float volume) {
    const float v = volume * InstrumentVolume[0];
    int k = -1;
    for (int i = 0; i < 10 && k < 0; ++i)
      if (voice[i].State == 0) k = i;
    if (k < 0)
      for (int i = 0; i < 10; ++i)
        if (voice[i].State == 3 && (k < 0 || voice[i].ReleaseLeft < voice[k].ReleaseLeft)) k = i;
    if (k < 0) return;
    RefVoice& x = voice[k];
    x.State = 1;
    x.Id = id;
    x.Volume = v;
    x.AttackLeft = attack;
    x.ReleaseLeft = release;
    x.Bin = Nearest(f);
    x.cur.assign(BinCount, 0.0f);
  }

  RefVoice* Held(int32_t id) {
    for (RefVoice& x : voice)
      if (x.Id == id && (x.State == 1 || x.State == 2)) return &x;
    return nullptr;
  }

  void NoteMove(int32_t id, float f, float volume) {
    const float v = volume * InstrumentVolume[0];
    RefVoice* x = Held(id);
    if (!x) return;
    if (v != x->Volume) {
      x->Volume = v;
      x->State = 1;
      if (x->AttackLeft <= 0) x->AttackLeft = attack / 2 + 1;
    }
    const int32_t b = Nearest(f);
    if (b == x->Bin) return;
    x->Bin = b;
    x->State = 1;
    if (x->AttackLeft <= 0) x->AttackLeft = attack / 2 + 1;
  }

  void NoteOff(int32_t id) {
    if (RefVoice* x = Held(id)) x->State = 3;
  }

  static void Envelope(RefVoice& x) {
    const int32_t shift = x.Bin - MainBin.load();
    for (int p = 0; p < BinCount; ++p) {
      const int src = p - shift;
      const bool inside = src >= 0 && src < BinCount;
      const float target = inside ? InstrumentSpectrum[src][0] * x.Volume : 0.0f;
      if (x.State == 1 && x.AttackLeft > 1) {
        const float f = static_cast<float>(1.0 / x.AttackLeft);
        x.next[p] = inside ? ((target - x.cur[p]) * f) + x.cur[p] : 0.0f;
      } else if (x.State == 1) {
        x.next[p] = target;
      } else if (x.State == 2) {
        x.next[p] = x.cur[p];
      } else if (x.State == 3 && x.ReleaseLeft > 1) {
        x.next[p] = x.cur[p] * static_cast<float>(1.0 - 1.9 / x.ReleaseLeft);
      } else if (x.State == 3) {
        x.next[p] = 0.0f;
      }
    }
  }

  static void Advance(RefVoice& x) {
    if (x.State == 1) {
      if (--x.AttackLeft <= 0) x.State = 2;
      std::swap(x.cur, x.next);
    } else if (x.State == 3) {
      if (--x.ReleaseLeft <= 0)
        x.State = 0;
      else
        std::swap(x.cur, x.next);
    }
  }

  TBlock MixVoices(int threads) {
    bool sounding = false;
    for (RefVoice& x : voice) {
      Envelope(x);
      sounding = sounding || x.State != 0;
    }
    if (!sounding) return TBlock{};
    TBlock out = Mix(threads, false);
    for (RefVoice& x : voice) Advance(x);
    return out;
  }

  TBlock MixSpectrum(int threads) { return Mix(threads, true); }

 private:
  using TPartial = std::array<float, 1024>;

  const float* Table(int p) const {
    return WaveTables[p] + pos[p] / 4;  // byte offset → f32 slot
  }
  void Step(int p) {
    pos[p] -= 32;
    if (pos[p] < 0) pos[p] = WaveWrapOffset[p];
  }

  TBlock Mix(int threads, bool preview) {
    const int chunk = (4096 / threads) & ~3;
    std::vector<TPartial> partial(threads);
    for (int i = 0; i < threads; ++i) {
      const int first = i * chunk, last = i == threads - 1 ? 4095 : (i + 1) * chunk - 1;
      if (preview)
        SpectrumRange(first, last, partial[i]);
      else
        VoicesRange(first, last, partial[i]);
    }
    TBlock out{};
    for (int g = 0; g < 128; ++g) {
      float smallest = 0.0f;
      bool any = false;
      for (int m = 0; m < 8; ++m) {
        const int t = 8 * g + m;
        float s = partial[0][t];
        for (int i = 1; i < threads; ++i) s = s + partial[i][t];
        if (preview) s = s * InstrumentVolume[m];
        const auto x = static_cast<int32_t>(std::nearbyint(s));
        float candidate = 0.0f;
        if (x > 32767) {
          out[t] = 32767;
          candidate = (InstrumentVolume[0] * 32767.0f) / static_cast<float>(x);
        } else if (x < -32767) {
          out[t] = -32767;
          candidate = (InstrumentVolume[0] * -32767.0f) / static_cast<float>(x);
        } else {
          out[t] = static_cast<int16_t>(x);
          continue;
        }
        if (!any || candidate < smallest) smallest = candidate;
        any = true;
      }
      if (any && clip > smallest) clip = smallest;
    }
    return out;
  }

  void SpectrumRange(int first, int last, TPartial& out) {
    for (int g = 0; g < 128; ++g) {
      float acc[8] = {};
      for (int p = first; p <= last; ++p) {
        if (InstrumentSpectrum[p][0] == 0.0f) continue;
        const float* t = Table(p);
        for (int m = 0; m < 8; ++m) acc[m] = std::fma(InstrumentSpectrum[p][m], t[m], acc[m]);
        Step(p);
      }
      for (int m = 0; m < 8; ++m) out[8 * g + m] = acc[m];
    }
  }

  void VoicesRange(int first, int last, TPartial& out) {
    const int n = last - first + 1;
    std::vector<std::array<float, 8>> amp(n), step(n);
    std::vector<bool> active(n);
    for (const RefVoice& x : voice) {
      if (x.State == 0) continue;
      for (int i = 0; i < n; ++i) {
        const int p = first + i;
        step[i][0] = static_cast<float>(static_cast<double>(step[i][0]) +
                                        static_cast<double>(x.next[p] - x.cur[p]) * (1.0 / 1024));
        amp[i][0] = amp[i][0] + x.cur[p];
      }
    }
    for (int i = 0; i < n; ++i) {
      active[i] = !(amp[i][0] == 0.0f && step[i][0] == 0.0f);
      if (!active[i]) continue;
      for (int m = 1; m < 8; ++m) amp[i][m] = amp[i][m - 1] + step[i][0];
      const float s = step[i][0] * 8;
      step[i].fill(s);
    }
    for (int g = 0; g < 128; ++g) {
      float acc[8] = {};
      for (int i = 0; i < n; ++i) {
        if (!active[i]) continue;
        const int p = first + i;
        const float* t = Table(p);
        for (int m = 0; m < 8; ++m) acc[m] = std::fma(amp[i][m], t[m], acc[m]);
        Step(p);
        for (int m = 0; m < 8; ++m) amp[i][m] = amp[i][m] + step[i][m];
      }
      for (int m = 0; m < 8; ++m) out[8 * g + m] = acc[m];
    }
  }
};
