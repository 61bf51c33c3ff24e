// The engine's host in the engine tests: slider positions the test sets, and counters or
// actions of its own for the message handling and the editor's repaint.
#pragma once

#include "engine/host.h"

class TTestHost : public TEngineHost {
 public:
  int32_t attack = DefaultAttackPosition;
  int32_t release = DefaultReleasePosition;
  int32_t noise = DefaultNoisePosition;
  void (*processMessages)() = nullptr;
  void (*spectrumChanged)() = nullptr;

  int32_t AttackPosition() const override { return attack; }
  int32_t ReleasePosition() const override { return release; }
  int32_t NoisePosition() const override { return noise; }
  void ProcessMessages() override {
    if (processMessages) processMessages();
  }
  void SpectrumChanged() override {
    if (spectrumChanged) spectrumChanged();
  }
};
