// The instrument-file reader over arbitrary bytes: a file is refused whole or every value it
// yields is one the editor can apply, and the file built from those values reads back the same.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "files/instrumentfile.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

uint32_t Bits(float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  return u;
}

bool SameValues(const TInstrumentFile& a, const TInstrumentFile& b) {
  return a.MainBin == b.MainBin && Bits(a.Volume) == Bits(b.Volume) &&
         a.AttackTime == b.AttackTime && a.ReleaseTime == b.ReleaseTime &&
         a.LowestPlayingNote == b.LowestPlayingNote &&
         a.HighestPlayingNote == b.HighestPlayingNote && a.NoiseReduction == b.NoiseReduction &&
         a.WebCam == b.WebCam && a.PianoMode == b.PianoMode && a.DisabledNotes == b.DisabledNotes &&
         std::memcmp(a.Amplitudes.data(), b.Amplitudes.data(), sizeof a.Amplitudes) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TInstrumentFile file;
  if (ReadInstrumentFile(data, size, file) != TInstrumentRead::irLoaded) return 0;

  Check(size >= InstrumentFileBytes);
  Check(!file.HasMainBin || (file.MainBin >= 0 && file.MainBin < InstrumentBins));
  Check(std::isfinite(file.Volume));
  for (float a : file.Amplitudes) Check(std::isfinite(a));

  // What the editor writes after loading it.
  if (!file.HasMainBin) file.MainBin = 0;
  const std::vector<uint8_t> written = BuildInstrumentFile(file);
  Check(written.size() == InstrumentFileBytes);
  TInstrumentFile again;
  Check(ReadInstrumentFile(written.data(), written.size(), again) == TInstrumentRead::irLoaded);
  Check(again.HasMainBin && SameValues(file, again));

  // A plain version-1 file with 4096 bins and empty reserved words comes back byte for byte.
  static const uint8_t kPlain[8] = {1, 0, 0, 0, 0, 16, 0, 0};
  bool plain = size == InstrumentFileBytes && std::memcmp(data + 4, kPlain, 8) == 0;
  for (size_t i = 52; plain && i < InstrumentHeaderBytes; ++i) plain = data[i] == 0;
  if (plain) Check(std::memcmp(written.data(), data, size) == 0);
  return 0;
}
