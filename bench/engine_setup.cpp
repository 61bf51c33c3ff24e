#include "engine_setup.h"

#include <random>

#include "engine/waves.h"

void PrepareEngine() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  InitWaves(4096);
  InitAudioDefaults();
  std::mt19937 random(5);
  std::uniform_real_distribution<float> amplitude(0.0005f, 0.002f);
  for (TVec8& bin : InstrumentSpectrum) bin.Fill(amplitude(random));
  // Ten voices a few bins apart, so that each covers nearly the whole grid.
  for (int i = 0; i < 10; ++i) NoteOn(i + 1, BinFrequency[1024 + 3 * i], 0.5f);
  for (int i = 0; i < 3; ++i) MixVoices();
}
