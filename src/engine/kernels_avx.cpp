// The two synthesis kernels: the only code compiled for AVX and FMA. Keep everything else
// out of this file; an inline function of a shared header compiled here could end up as the
// copy that code running before the processor test calls.
//
// A block reads 4 KiB from each sounding bin's table. The tables lie 16 KiB apart, so a loop
// over bins inside each group would jump between thousands of pages for every eight samples;
// instead a few bins at a time run through all 128 groups, each table read once, front to back
// in playing order, while the partial block (4 KiB) stays in the first-level cache. Every
// group still adds its bins in increasing order, one fused multiply-add per lane, and every
// bin's ramp still advances group by group, so the sums are those of the plain loop.
#include <immintrin.h>

#include "engine/mixer.h"
#include "engine/voices.h"

namespace {

constexpr int kBatch = 8;  // bins whose tables are read side by side

void ClearSamples(float* samples) {
  const __m256 zero = _mm256_setzero_ps();
  for (int t = 0; t < BlockSamples; t += 8) _mm256_store_ps(samples + t, zero);
}

// Adds N bins, in the order given, to every group of the partial block. With Ramp the
// amplitude grows by the bin's BinStep after each group and ends in BinAmp.
template <int N, bool Ramp>
void AddBins(float* samples, const int32_t* bins, const __m256* amps) {
  __m256 amp[N];
  __m256 step[N];
  const char* table[N];
  int32_t pos[N];
  int32_t wrap[N];
#pragma GCC unroll 8
  for (int k = 0; k < N; ++k) {
    const int32_t p = bins[k];
    amp[k] = amps[k];
    if constexpr (Ramp) step[k] = _mm256_load_ps(BinStep[p].v);
    table[k] = reinterpret_cast<const char*>(WaveTables[p]);
    pos[k] = WavePosition[p];
    wrap[k] = WaveWrapOffset[p];
  }
  for (int g = 0; g < BlockGroups; ++g) {
    __m256 acc = _mm256_load_ps(samples + 8 * g);
#pragma GCC unroll 8
    for (int k = 0; k < N; ++k) {
      const __m256 wave = _mm256_load_ps(reinterpret_cast<const float*>(table[k] + pos[k]));
      acc = _mm256_fmadd_ps(amp[k], wave, acc);
      pos[k] -= 32;  // one block of eight samples down, wrapping from block 0 to the top
      if (pos[k] < 0) pos[k] = wrap[k];
      if constexpr (Ramp) amp[k] = _mm256_add_ps(amp[k], step[k]);
    }
    _mm256_store_ps(samples + 8 * g, acc);
  }
#pragma GCC unroll 8
  for (int k = 0; k < N; ++k) {
    WavePosition[bins[k]] = pos[k];
    if constexpr (Ramp) _mm256_store_ps(BinAmp[bins[k]].v, amp[k]);
  }
}

// Collects sounding bins in increasing order and hands them on kBatch at a time.
template <bool Ramp>
struct TBinBatch {
  explicit TBinBatch(float* target) : samples(target) {}

  float* samples;
  int32_t bins[kBatch];
  __m256 amps[kBatch];
  int count = 0;

  void Add(int32_t p, __m256 amp) {
    bins[count] = p;
    amps[count] = amp;
    if (++count == kBatch) {
      AddBins<kBatch, Ramp>(samples, bins, amps);
      count = 0;
    }
  }
  void Flush() {
    switch (count) {
      case 1:
        AddBins<1, Ramp>(samples, bins, amps);
        break;
      case 2:
        AddBins<2, Ramp>(samples, bins, amps);
        break;
      case 3:
        AddBins<3, Ramp>(samples, bins, amps);
        break;
      case 4:
        AddBins<4, Ramp>(samples, bins, amps);
        break;
      case 5:
        AddBins<5, Ramp>(samples, bins, amps);
        break;
      case 6:
        AddBins<6, Ramp>(samples, bins, amps);
        break;
      case 7:
        AddBins<7, Ramp>(samples, bins, amps);
        break;
      default:
        break;
    }
    count = 0;
  }
};

void Transpose8(__m256 r[8]) {
  const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]);
  const __m256 t1 = _mm256_unpackhi_ps(r[0], r[1]);
  const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]);
  const __m256 t3 = _mm256_unpackhi_ps(r[2], r[3]);
  const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]);
  const __m256 t5 = _mm256_unpackhi_ps(r[4], r[5]);
  const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]);
  const __m256 t7 = _mm256_unpackhi_ps(r[6], r[7]);
  const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
  r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
  r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
  r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
  r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
  r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
  r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
  r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
  r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

// Bins p .. p + 7 from their summed start amplitudes and steps (lane j: bin p + j): the silent
// test, the eight sample amplitudes of the first group (lane m := lane m − 1 + step) and the
// step per group (step × 8).
void StoreRamps8(int32_t p, __m256 amp, __m256 step) {
  const __m256 zero = _mm256_setzero_ps();
  const __m256 silent =
      _mm256_and_ps(_mm256_cmp_ps(amp, zero, _CMP_EQ_OQ), _mm256_cmp_ps(step, zero, _CMP_EQ_OQ));
  const __m256i active =
      _mm256_castps_si256(_mm256_xor_ps(silent, _mm256_castsi256_ps(_mm256_set1_epi32(-1))));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(BinActive + p), active);
  __m256 lanes[8];
  lanes[0] = amp;
  for (int m = 1; m < 8; ++m) lanes[m] = _mm256_add_ps(lanes[m - 1], step);
  Transpose8(lanes);
  alignas(32) float step8[8];
  _mm256_store_ps(step8, _mm256_mul_ps(step, _mm256_set1_ps(8.0f)));
  for (int j = 0; j < 8; ++j) {
    _mm256_store_ps(BinAmp[p + j].v, lanes[j]);
    _mm256_store_ps(BinStep[p + j].v, _mm256_broadcast_ss(step8 + j));
  }
}

void StoreRamp1(int32_t p, float amp, float step) {
  BinActive[p] = (amp == 0.0f && step == 0.0f) ? 0 : -1;
  float* lanes = BinAmp[p].v;
  lanes[0] = amp;
  for (int m = 1; m < 8; ++m) lanes[m] = lanes[m - 1] + step;
  _mm256_store_ps(BinStep[p].v, _mm256_set1_ps(step * 8.0f));
}

// Per bin: the sum of the sounding voices' start amplitudes and of their steps
// (Next − Cur) / 1024, the step accumulated in double and rounded to single per voice.
void SetUpRamps(int32_t first, int32_t last) {
  const float* cur[VoiceCount];
  const float* next[VoiceCount];
  int voices = 0;
  for (const TVoice& voice : Voices) {
    if (voice.State == vsFree) continue;
    cur[voices] = voice.Cur;
    next[voices] = voice.Next;
    ++voices;
  }
  const __m256d scale = _mm256_set1_pd(1.0 / 1024);
  int32_t p = first;
  for (; p + 7 <= last; p += 8) {
    __m256 amp = _mm256_setzero_ps();
    __m256 step = _mm256_setzero_ps();
    for (int v = 0; v < voices; ++v) {
      const __m256 c = _mm256_loadu_ps(cur[v] + p);
      const __m256 d = _mm256_sub_ps(_mm256_loadu_ps(next[v] + p), c);
      const __m256d lo =
          _mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(step)),
                        _mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(d)), scale));
      const __m256d hi =
          _mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(step, 1)),
                        _mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(d, 1)), scale));
      step = _mm256_set_m128(_mm256_cvtpd_ps(hi), _mm256_cvtpd_ps(lo));
      amp = _mm256_add_ps(amp, c);
    }
    StoreRamps8(p, amp, step);
  }
  for (; p <= last; ++p) {
    float amp = 0.0f;
    float step = 0.0f;
    for (int v = 0; v < voices; ++v) {
      step = static_cast<float>(static_cast<double>(step) +
                                static_cast<double>(next[v][p] - cur[v][p]) * (1.0 / 1024));
      amp = amp + cur[v][p];
    }
    StoreRamp1(p, amp, step);
  }
}

}  // namespace

void CalcVoicesBlock(TWorkBlock& WorkBlock) {
  WorkBlock.Done.store(0, std::memory_order_relaxed);
  const int32_t first = WorkBlock.First;
  const int32_t last = WorkBlock.Last;
  ClearSamples(WorkBlock.Samples);
  SetUpRamps(first, last);
  TBinBatch<true> batch(WorkBlock.Samples);
  for (int32_t p = first; p <= last; ++p)
    if (BinActive[p] != 0) batch.Add(p, _mm256_load_ps(BinAmp[p].v));
  batch.Flush();
  WorkBlock.Done.store(-1);
}

void CalcSpectrumBlock(TWorkBlock& WorkBlock) {
  WorkBlock.Done.store(0, std::memory_order_relaxed);
  const int32_t first = WorkBlock.First;
  const int32_t last = WorkBlock.Last;
  ClearSamples(WorkBlock.Samples);
  // The editor may change the spectrum meanwhile; each bin is read once per block.
  TBinBatch<false> batch(WorkBlock.Samples);
  for (int32_t p = first; p <= last; ++p) {
    const __m256 amp = _mm256_load_ps(InstrumentSpectrum[p].v);
    if (_mm256_cvtss_f32(amp) != 0.0f) batch.Add(p, amp);
  }
  batch.Flush();
  WorkBlock.Done.store(-1);
}
