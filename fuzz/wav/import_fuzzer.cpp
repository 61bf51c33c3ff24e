// The WAV import over arbitrary bytes: LoadWaveFile, and when it succeeds AnalyseWave and a
// noise reduction. Whatever the file says, the spectrum that comes out holds finite values
// from 0 to 1 in eight equal lanes, and either its peak is 1 at MainBin (however faint or loud
// the sound) or it is all zero with MainBin 0 (nothing to measure: silence, or samples that
// are not finite numbers).
#include <cmath>
#include <cstdint>

#include "engine/import.h"
#include "engine/tables.h"
#include "fuzz_input.h"

namespace {

void CheckSpectrum() {
  const int32_t main = MainBin.load();
  fuzz::Check(main >= 0 && main < BinCount);
  float peak = 0.0f;
  for (const TVec8& bin : InstrumentSpectrum) {
    fuzz::Check(std::isfinite(bin[0]) && bin[0] >= 0.0f && bin[0] <= 1.0f);
    for (int lane = 1; lane < 8; ++lane) fuzz::Check(bin[lane] == bin[0]);
    peak = std::fmax(peak, bin[0]);
  }
  fuzz::Check(peak == 0.0f ? main == 0 : std::fabs(peak - 1.0f) < 1e-6f);
  fuzz::Check(InstrumentSpectrum[main][0] == peak);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static fuzz::SilentDialogs dialogs;
  SetDialogService(&dialogs);
  InitWaves(BinCount);
  InitImportBuffers();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input().Set(data, size);
  if (!LoadWaveFile(fuzz::kInputName)) return 0;
  fuzz::Check(SampleCount >= MinImportFrames && SampleCount <= MaxImportFrames);
  fuzz::Check(SampleData.size() == static_cast<size_t>(SampleCount) + 4);
  AnalyseWave();
  fuzz::Check(FftLowBin >= 0 && FftHighBin <= FftSize && SampleCount == 0);
  CheckSpectrum();
  ApplyNoiseReduction();
  CheckSpectrum();
  return 0;
}
