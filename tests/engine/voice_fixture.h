// Tests that play notes and compute blocks: the engine starts each test from the state that
// InitWaves and InitAudio leave, with a test host, and is put back there after it, so that
// table tests later in the same run see the start state.
#pragma once

#include <gtest/gtest.h>

#include "engine/waves.h"
#include "engine_fixture.h"
#include "test_host.h"

class EngineState : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureEngineTables(); }

  void SetUp() override {
    ResetEngineState();
    previous_ = SetEngineHost(&settings);
  }

  void TearDown() override {
    ResetEngineState();
    SetEngineHost(previous_);
  }

  // Every bin the same amplitude.
  static void FlatSpectrum(float amplitude) {
    for (TVec8& bin : InstrumentSpectrum) bin.Fill(amplitude);
  }

  TTestHost settings;

 private:
  TEngineHost* previous_ = nullptr;
};
