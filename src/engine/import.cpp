#include "engine/import.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "engine/host.h"
#include "engine/tables.h"
#include "engine/wavefile.h"
#include "platform/win/dialogs.h"

std::vector<float> SampleData;
int32_t SampleCount = 0;
float SampleRateRatio = 0.0f;
TComplex FftData[FftBins];
double FftMagnitude[FftBins];
int32_t FftLowBin = 0;
int32_t FftHighBin = 0;

namespace {

constexpr int kFftBits = 15;
static_assert(FftSize == 1 << kFftBits);

// The transform bin of the lowest grid frequency, before any clamping; +inf for a rate of 0.
float LowBinOf(float rate) { return 32768.0f * BinFrequency[0] / rate; }

float RateOf(float sampleRateRatio) { return sampleRateRatio * 48000.0f; }

float RatioOf(DWORD samplesPerSecond) {
  return static_cast<float>(samplesPerSecond * (1.0 / 48000));
}

// A rate so low that the lowest grid frequency lies beyond the transform bins (or 0) leaves
// nothing to analyse.
bool UsableFormat(const WAVEFORMATEX& format) {
  return format.nBlockAlign != 0 && LowBinOf(RateOf(RatioOf(format.nSamplesPerSec))) <= 32768.0f;
}

uint32_t BytesPerSample(WORD bitsPerSample) {
  switch (bitsPerSample) {
    case 8:
      return 1;
    case 16:
      return 2;
    case 20:
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      return 0;  // the sound stays silent
  }
}

// Whether 32-bit samples are integers: the PCM tag, or an extensible format whose sub-format
// is PCM. IEEE float and every other tag keep them as single-precision numbers.
bool IntegerSamples(const WAVEFORMATEX& format) {
  if (format.wFormatTag == WAVE_FORMAT_PCM) return true;
  // The extensible record: valid bits (2), channel mask (4), then the sub-format GUID, whose
  // first 32 bits are the format tag it stands for.
  if (format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && format.cbSize >= 22) {
    const BYTE* sub = reinterpret_cast<const BYTE*>(&format) + sizeof(WAVEFORMATEX) + 6;
    const uint32_t tag = static_cast<uint32_t>(sub[0]) | (static_cast<uint32_t>(sub[1]) << 8) |
                         (static_cast<uint32_t>(sub[2]) << 16) |
                         (static_cast<uint32_t>(sub[3]) << 24);
    return tag == WAVE_FORMAT_PCM;
  }
  return false;
}

float SampleValue(const BYTE* b, uint32_t bytes, bool integer) {
  switch (bytes) {
    case 1:
      return static_cast<float>(static_cast<int32_t>(b[0]) - 128);
    case 2:
      return static_cast<float>(static_cast<int16_t>(b[0] | (b[1] << 8)));
    case 3: {
      // The three bytes are the upper three of a 32-bit integer: 256 times the 24-bit value.
      const uint32_t u = (static_cast<uint32_t>(b[0]) << 8) | (static_cast<uint32_t>(b[1]) << 16) |
                         (static_cast<uint32_t>(b[2]) << 24);
      return static_cast<float>(static_cast<int32_t>(u));
    }
    default: {
      const uint32_t u = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
      // An integer is the value itself, on the scale of the 24-bit samples.
      return integer ? static_cast<float>(static_cast<int32_t>(u)) : std::bit_cast<float>(u);
    }
  }
}

// Adds every channel of every frame into samples. A read that comes back short or fails
// adds zero; every later read would too (the chunk or the file has ended), so reading
// stops there and the rest stays zero. False when not one sample could be read.
bool MixChannels(CWaveFile& wave, int32_t frames, std::vector<float>& samples) {
  const uint32_t bytes = BytesPerSample(wave.Format->wBitsPerSample);
  const bool integer = IntegerSamples(*wave.Format);
  const int channels = wave.Format->nChannels;
  BYTE sample[4];
  for (int32_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      DWORD got = 0;
      if (Failed(wave.Read(sample, bytes, &got)) || got < bytes) return f > 0 || c > 0;
      samples[f] += SampleValue(sample, bytes, integer);
    }
  }
  return true;
}

uint32_t Reverse15(uint32_t i) {
  uint32_t r = 0;
  for (int bit = 0; bit < kFftBits; ++bit) {
    r = (r << 1) | (i & 1);
    i >>= 1;
  }
  return r;
}

void AccumulateBlock(int32_t start) {
  std::fill(std::begin(FftData), std::end(FftData), TComplex{0.0, 0.0});
  for (int k = 0; k < FftSize; ++k)
    FftData[k].re = static_cast<double>(SampleData[start + k]) * (1.0 / 32768);
  FFT();
  for (int32_t b = FftLowBin; b <= FftHighBin; ++b)
    FftMagnitude[b] += std::hypot(FftData[b].re, FftData[b].im);
}

// Folds the transform bins FftLowBin..FftHighBin onto the instrument's grid: the edge bins
// first, then each inner transform bin added to the grid bin nearest its frequency, every sum
// taken in double precision and stored in T.
template <class T>
void FoldMagnitudes(T (&folded)[BinCount]) {
  std::fill(std::begin(folded), std::end(folded), T{0});
  folded[0] = static_cast<T>(FftMagnitude[FftLowBin]);
  folded[BinCount - 1] = static_cast<T>(FftMagnitude[FftHighBin]);
  int k = 1;
  for (int32_t b = FftLowBin + 1; b <= FftHighBin - 1; ++b) {
    const float fb = static_cast<float>(b) * SampleRateRatio * 48000.0f * (1.0f / 32768.0f);
    while (fb > BinFrequency[k] && k < BinCount - 1) ++k;
    const float frac = (BinFrequency[k] - fb) / (BinFrequency[k] - BinFrequency[k - 1]);
    const int target = frac < 1.0f - frac ? k : k - 1;
    folded[target] = static_cast<T>(static_cast<double>(folded[target]) + FftMagnitude[b]);
  }
}

// The largest folded value and the first bin holding it (a later bin wins only when strictly
// larger). Any value that is not a finite number makes the peak NaN, with bin 0.
template <class T>
T PeakOf(const T (&folded)[BinCount], int32_t* bin) {
  *bin = 0;
  T peak = folded[0];
  for (int i = 0; i < BinCount; ++i) {
    if (!std::isfinite(folded[i])) {
      *bin = 0;
      return std::numeric_limits<T>::quiet_NaN();
    }
    if (folded[i] > peak) {
      peak = folded[i];
      *bin = i;
    }
  }
  return peak;
}

}  // namespace

void InitImportBuffers() {
  SampleCount = 0;
  SampleData.assign(256, 0.0f);  // 1024 bytes
}

void DoneImportBuffers() {
  SampleCount = 0;
  SampleData.clear();
  SampleData.shrink_to_fit();
}

bool LoadWaveFile(const std::string& FileName) {
  auto wave = std::make_unique<CWaveFile>();
  if (Failed(wave->Open(FileName.c_str(), nullptr, WAVEFILE_READ)) ||
      !UsableFormat(*wave->Format)) {
    wave.reset();
    ShowMessage("Error opening wave file.");
    return false;
  }
  // A sound that cannot be read would replace the instrument with silence: refused before
  // anything changes, saying why.
  const WORD bits = wave->Format->wBitsPerSample;
  if (BytesPerSample(bits) == 0 || wave->Format->nChannels == 0) {
    const std::string why = wave->Format->nChannels == 0
                                ? std::string("it has no channels")
                                : std::to_string(bits) + " bits per sample are not supported";
    wave.reset();
    ShowMessage("Unsupported wave file: " + why + ".");
    return false;
  }
  const float ratio = RatioOf(wave->Format->nSamplesPerSec);
  // Counted unsigned: a data chunk of 2 GiB or more is long enough, not negative.
  const uint32_t frames = wave->GetSize() / wave->Format->nBlockAlign;
  if (frames < static_cast<uint32_t>(MinImportFrames)) {
    SampleRateRatio = ratio;
    SampleCount = static_cast<int32_t>(frames);
    wave.reset();
    ShowMessage("Not enough samples! A 1.5 second sample is recommended");
    return false;
  }
  const int32_t count = static_cast<int32_t>(std::min<uint32_t>(frames, MaxImportFrames));
  std::vector<float> samples(static_cast<size_t>(count) + 4, 0.0f);
  if (!MixChannels(*wave, count, samples)) {
    wave.reset();
    ShowMessage("Wave file holds no samples: its data chunk lies beyond the end of the file.");
    return false;
  }
  SampleRateRatio = ratio;
  SampleCount = count;
  SampleData = std::move(samples);
  return true;
}

void FFT() {
  for (uint32_t i = 0; i < static_cast<uint32_t>(FftSize); ++i) {
    const uint32_t r = Reverse15(i);
    if (r > i) std::swap(FftData[i], FftData[r]);
  }
  for (int h = 1; h < FftSize; h <<= 1) {
    const double wRe = TwiddleCos[h];
    const double wIm = TwiddleNegSin[h];
    double uRe = 1.0;
    double uIm = 0.0;
    for (int j = 0; j < h; ++j) {
      for (int i = j; i < FftSize; i += 2 * h) {
        TComplex& a = FftData[i];
        TComplex& b = FftData[i + h];
        const double tRe = uRe * b.re - uIm * b.im;
        const double tIm = uRe * b.im + uIm * b.re;
        b.re = a.re - tRe;
        b.im = a.im - tIm;
        a.re = a.re + tRe;
        a.im = a.im + tIm;
      }
      // The twiddle of the next j is the running product, not a table value.
      const double nRe = uRe * wRe - uIm * wIm;
      const double nIm = uRe * wIm + uIm * wRe;
      uRe = nRe;
      uIm = nIm;
    }
  }
}

void AnalyseWave() {
  const float rate = RateOf(SampleRateRatio);
  // Clamped so that no rate, however odd, reaches outside FftMagnitude.
  const float low = LowBinOf(rate);
  FftLowBin = low >= 0.0f && low <= 32768.0f ? static_cast<int32_t>(low) : (low < 0.0f ? 0 : 32768);
  const float high = std::nearbyint(393216000.0f / rate);  // 12000 × 32768 / rate
  // Never past the transform's Nyquist bin: the bins above it mirror those below, and would
  // fold the mirror images of a low-rate file onto the upper grid.
  FftHighBin = high <= 16384.0f ? (high >= 0.0f ? static_cast<int32_t>(high) : 0) : 16384;

  std::fill(std::begin(FftMagnitude), std::end(FftMagnitude), 0.0);
  // Never read past the samples, whatever SampleCount says.
  const int32_t count =
      std::clamp<int64_t>(SampleCount, 0, static_cast<int64_t>(SampleData.size()));
  int32_t p = 0;
  for (; p <= count - FftSize; p += FftSize) AccumulateBlock(p);
  // More than half a block left over: one more block over the last 32768 samples.
  if (count >= FftSize && count - FftSize / 2 > p) AccumulateBlock(count - FftSize);

  SampleCount = 0;
  SampleData.assign(8, 0.0f);  // 32 bytes
  SampleData.shrink_to_fit();

  // The spectrum is folded and normalised apart and written once at the end: a block computed
  // meanwhile then sees old or new amplitudes, never the raw sums.
  static float folded[BinCount];
  FoldMagnitudes(folded);
  int32_t mainBin = 0;
  const float peak = PeakOf(folded, &mainBin);

  const float threshold = static_cast<float>(NoisePosition() * 0.001);
  auto store = [threshold](int i, float value) {
    if (value < threshold) value = 0.0f;
    InstrumentSpectrum[i].Fill(value);
  };
  // The peak is NaN when a sum is not finite, and fails the test.
  if (peak > 0.0f && std::isfinite(1.0f / peak)) {
    const float scale = 1.0f / peak;
    for (int i = 0; i < BinCount; ++i) store(i, folded[i] * scale);
  } else {
    // A sound so faint that the reciprocal of its peak overflows (or that every folded sum
    // rounds to 0), or so loud that a sum overflows: folded and normalised again in double
    // precision, where neither happens to samples that are finite numbers. Only a sound with
    // nothing to measure (no energy in the band, or samples that are not finite) stays silent.
    static double wide[BinCount];
    FoldMagnitudes(wide);
    const double widePeak = PeakOf(wide, &mainBin);
    const bool measurable = std::isfinite(widePeak) && widePeak > 0.0;
    if (!measurable) mainBin = 0;
    for (int i = 0; i < BinCount; ++i)
      store(i, measurable ? static_cast<float>(wide[i] / widePeak) : 0.0f);
  }
  MainBin.store(mainBin, std::memory_order_relaxed);
}

void ApplyNoiseReduction() {
  const float threshold = static_cast<float>(NoisePosition() * 0.001);
  for (TVec8& bin : InstrumentSpectrum)
    if (bin[0] < threshold) bin.Fill(0.0f);
  EngineHost().SpectrumChanged();
}
