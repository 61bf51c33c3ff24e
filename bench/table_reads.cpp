#include "table_reads.h"

#include <immintrin.h>

#include "engine/waves.h"

namespace {

template <int N>
__attribute__((target("avx"))) void ReadBatch(int first, int32_t* positions, __m256* sum) {
  const char* table[N];
  int32_t pos[N];
  for (int k = 0; k < N; ++k) {
    table[k] = reinterpret_cast<const char*>(WaveTables[first + k]);
    pos[k] = positions[first + k];
  }
  for (int g = 0; g < 128; ++g) {
#pragma GCC unroll 8
    for (int k = 0; k < N; ++k) {
      sum[k] =
          _mm256_add_ps(sum[k], _mm256_load_ps(reinterpret_cast<const float*>(table[k] + pos[k])));
      pos[k] -= 32;
      if (pos[k] < 0) pos[k] = WaveWrapOffset[first + k];
    }
  }
  for (int k = 0; k < N; ++k) positions[first + k] = pos[k];
}

}  // namespace

__attribute__((target("avx"))) float ReadTables(int first, int last, int32_t* positions) {
  __m256 sum[8];
  for (__m256& s : sum) s = _mm256_setzero_ps();
  int p = first;
  for (; p + 8 <= last; p += 8) ReadBatch<8>(p, positions, sum);
  for (; p < last; ++p) ReadBatch<1>(p, positions, sum);
  for (int k = 1; k < 8; ++k) sum[0] = _mm256_add_ps(sum[0], sum[k]);
  alignas(32) float lanes[8];
  _mm256_store_ps(lanes, sum[0]);
  return lanes[0] + lanes[7];
}
