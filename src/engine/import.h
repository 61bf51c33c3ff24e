// WAV import: a recorded sound becomes the instrument spectrum. LoadWaveFile mixes the file's
// channels into SampleData; AnalyseWave sums 32768-point magnitude spectra over the sound,
// folds them onto the 4096 bins, picks the main bin, normalises and clears the noise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int FftSize = 32768;
inline constexpr int FftBins = FftSize + 4;  // the last four stay zero
inline constexpr int32_t MinImportFrames = 32768;
inline constexpr int32_t MaxImportFrames = 655360;

struct TComplex {
  double re;
  double im;
};

// The imported mono samples: SampleCount values and four spare zeros.
extern std::vector<float> SampleData;
extern int32_t SampleCount;
extern float SampleRateRatio;  // the file's sample rate / 48000
extern TComplex FftData[FftBins];
extern double FftMagnitude[FftBins];
extern int32_t FftLowBin;
extern int32_t FftHighBin;

// The import's part of InitAudio and DoneAudio: no imported samples, a small buffer.
void InitImportBuffers();
void DoneImportBuffers();

// Reads the file (or WAVE resource) into SampleData. False after a message: the file could
// not be opened as a WAVE file, its frame count or sample rate is unusable, its sample size
// or channel count cannot be read, it holds fewer than 32768 frames, or not one of its
// samples is in the file. 32-bit samples are integers under the PCM format (plain or
// extensible), single-precision numbers otherwise.
bool LoadWaveFile(const std::string& FileName);
// Turns the samples of the last successful LoadWaveFile into InstrumentSpectrum and
// MainBin, and consumes them.
void AnalyseWave();
// In place on FftData[0..32767]: X[k] = sum of x[n]·e^(−2πi·k·n/32768), unscaled.
void FFT();
// Clears every bin below the current noise threshold, then tells the host (the instrument
// editor repaints).
void ApplyNoiseReduction();

