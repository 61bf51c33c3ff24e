// Slider positions that the engine reads at the moment it needs them (attack and release
// times at a note operation, the noise threshold at an import). The settings window installs
// a provider; without one the engine uses the sliders' defaults.
#pragma once

#include <cstdint>

class TEngineSettings {
 public:
  virtual ~TEngineSettings() = default;
  virtual int32_t AttackPosition() const = 0;   // 1..25 blocks
  virtual int32_t ReleasePosition() const = 0;  // 1..200 blocks
  virtual int32_t NoisePosition() const = 0;    // threshold in tenths of a percent
};

inline constexpr int32_t DefaultAttackPosition = 1;
inline constexpr int32_t DefaultReleasePosition = 1;
inline constexpr int32_t DefaultNoisePosition = 2;

// Installs a provider (nullptr removes it) and returns the previous one.
TEngineSettings* SetEngineSettings(TEngineSettings* provider);

int32_t AttackPosition();
int32_t ReleasePosition();
int32_t NoisePosition();
