#include "engine/host.h"

#include <atomic>

#include "platform/win/resources.h"

namespace {
TEngineHost g_defaults;
std::atomic<TEngineHost*> g_host{nullptr};
}  // namespace

TEngineHost* SetEngineHost(TEngineHost* host) {
  SetResourceProvider(host ? host->Resources() : nullptr);
  return g_host.exchange(host);
}

TEngineHost& EngineHost() {
  TEngineHost* host = g_host.load();
  return host ? *host : g_defaults;
}

int32_t AttackPosition() { return EngineHost().AttackPosition(); }
int32_t ReleasePosition() { return EngineHost().ReleasePosition(); }
int32_t NoisePosition() { return EngineHost().NoisePosition(); }
