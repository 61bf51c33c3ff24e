// What the program installs into the engine. The engine knows no windows; the few things it
// needs from them come through this one interface, installed once at start-up (and by the
// tests' fixtures): the slider positions it reads at the moment of need, the message handling
// while the sound device stops, the editor's repaint after a change of the spectrum from
// elsewhere, and the module's resources. Without a host, the defaults below hold.
#pragma once

#include <cstdint>

class ResourceProvider;

inline constexpr int32_t DefaultAttackPosition = 1;
inline constexpr int32_t DefaultReleasePosition = 1;
inline constexpr int32_t DefaultNoisePosition = 2;

class TEngineHost {
 public:
  virtual ~TEngineHost() = default;
  // The settings sliders: attack 1..25 blocks, release 1..200 blocks, noise threshold in
  // tenths of a percent. Read on the GUI thread at a note operation or an import.
  virtual int32_t AttackPosition() const { return DefaultAttackPosition; }
  virtual int32_t ReleasePosition() const { return DefaultReleasePosition; }
  virtual int32_t NoisePosition() const { return DefaultNoisePosition; }
  // StopAudio lets the GUI handle pending messages while it waits for the device.
  virtual void ProcessMessages() {}
  // The noise reduction changed the spectrum: the instrument editor repaints.
  virtual void SpectrumChanged() {}
  // The module resources (the WAVE resources the import may open); nullptr: none.
  virtual ResourceProvider* Resources() { return nullptr; }
};

// Installs a host (nullptr: the defaults) with its resources, and returns the previous one.
TEngineHost* SetEngineHost(TEngineHost* host);
// The installed host, or one that gives the defaults.
TEngineHost& EngineHost();

int32_t AttackPosition();
int32_t ReleasePosition();
int32_t NoisePosition();
