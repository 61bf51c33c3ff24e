// CWaveFile over arbitrary bytes: open, then read the data chunk in ever-changing portions,
// rewind and read again. Nothing may be read or written outside a buffer, and the reader
// may never hand out more than it was asked for or than the chunk holds.
#include <cstdint>
#include <vector>

#include "engine/wavefile.h"
#include "fuzz_input.h"

namespace {

void ReadThrough(CWaveFile& wave, size_t inputSize) {
  static const DWORD kPortions[] = {1, 2, 3, 4, 7, 64, 1000, 4096, 65536};
  std::vector<BYTE> buffer(65536);
  uint64_t total = 0;
  for (size_t i = 0;; ++i) {
    const DWORD ask = kPortions[i % std::size(kPortions)];
    DWORD got = 0xDEADBEEF;
    const HRESULT hr = wave.Read(buffer.data(), ask, &got);
    if (Failed(hr)) {
      fuzz::Check(got == 0);
      break;
    }
    fuzz::Check(got <= ask);
    total += got;
    fuzz::Check(total <= wave.GetSize() && total <= inputSize);
    if (got == 0) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input().Set(data, size);
  CWaveFile wave;
  if (Succeeded(wave.Open(fuzz::kInputName, nullptr, WAVEFILE_READ))) {
    fuzz::Check(wave.Format != nullptr && wave.Handle != nullptr);
    ReadThrough(wave, size);
    if (Succeeded(wave.ResetFile())) ReadThrough(wave, size);
  }
  return 0;
}
