// LoadWaveFile alone over arbitrary bytes: the format checks, the sample conversions and the
// mixing of the channels, many times faster than with the analysis behind it.
#include <cstdint>

#include "engine/import.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static fuzz::SilentDialogs dialogs;
  SetDialogService(&dialogs);
  InitImportBuffers();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input().Set(data, size);
  if (!LoadWaveFile(fuzz::kInputName)) return 0;
  fuzz::Check(SampleCount >= MinImportFrames && SampleCount <= MaxImportFrames);
  fuzz::Check(SampleData.size() == static_cast<size_t>(SampleCount) + 4);
  for (size_t i = static_cast<size_t>(SampleCount); i < SampleData.size(); ++i)
    fuzz::Check(SampleData[i] == 0.0f);  // the four spare values
  return 0;
}
