// The engine's tables are built once per test program, as at program start.
#pragma once

#include <mutex>

#include "engine/waves.h"

inline void EnsureEngineTables() {
  static std::once_flag once;
  std::call_once(once, [] {
    InitWaves(4096);
    InitAudioDefaults();
  });
}
