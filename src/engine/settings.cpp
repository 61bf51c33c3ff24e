#include "engine/settings.h"

#include <atomic>

namespace {
std::atomic<TEngineSettings*> g_provider{nullptr};
}

TEngineSettings* SetEngineSettings(TEngineSettings* provider) {
  return g_provider.exchange(provider);
}

int32_t AttackPosition() {
  const TEngineSettings* p = g_provider.load();
  return p ? p->AttackPosition() : DefaultAttackPosition;
}

int32_t ReleasePosition() {
  const TEngineSettings* p = g_provider.load();
  return p ? p->ReleasePosition() : DefaultReleasePosition;
}

int32_t NoisePosition() {
  const TEngineSettings* p = g_provider.load();
  return p ? p->NoisePosition() : DefaultNoisePosition;
}
