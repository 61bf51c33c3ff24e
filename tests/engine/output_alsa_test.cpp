// Sound output through real ALSA, into a "file" PCM that keeps every sample ALSA received.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/winmm/waveout_virtual.h"
#include "voice_fixture.h"

namespace {

namespace fs = std::filesystem;

std::vector<int16_t> ReadSamples(const fs::path& file, size_t skip) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < skip) return {};
  std::vector<int16_t> samples((bytes.size() - skip) / 2);
  std::memcpy(samples.data(), bytes.data() + skip, samples.size() * 2);
  return samples;
}

class OutputThroughAlsa : public EngineState {
 protected:
  static void SetUpTestSuite() {
    EngineState::SetUpTestSuite();
    InitAudio();
  }

  void SetUp() override {
    EngineState::SetUp();
    ASSERT_EQ(VirtualWaveOut::Installed(), nullptr);
    dir_ = fs::temp_directory_path() / ("lumatap-e2e-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    capture_ = dir_ / "capture.raw";
    const fs::path conf = dir_ / "asound.conf";
    // The system's configuration, plus a PCM that writes what it receives to a file.
    std::ofstream(conf) << "</usr/share/alsa/alsa.conf>\n"
                        << "pcm.lumatap_e2e {\n  type file\n  slave.pcm \"null\"\n"
                        << "  file \"" << capture_.string() << "\"\n  format \"raw\"\n}\n";
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    setenv("LUMATAP_AUDIO_DEVICE", "lumatap_e2e", 1);
    for (int bin : {1024, 1090, 1200, 1333, 1700}) InstrumentSpectrum[bin].Fill(0.04f);
    // One calculation thread: a block then needs no more than a master thread's start, so
    // that even a crowded test machine finishes every block in time (a late block would
    // record the old block while the device plays parts of the new one).
    ThreadCount = 1;
  }

  void TearDown() override {
    StopAudio();
    StopRecording();
    unsetenv("LUMATAP_AUDIO_DEVICE");
    fs::remove_all(dir_);
    EngineState::TearDown();
  }

  fs::path dir_, capture_;
};

TEST_F(OutputThroughAlsa, WhatAlsaReceivedIsWhatTheRecordingHolds) {
  const fs::path wav = dir_ / "take.wav";
  ASSERT_TRUE(StartRecording(wav.string()));
  NoteOn(1, 330.0f, 0.7f);
  NoteOn(2, 523.0f, 0.5f);
  StartAudio(1);
  ASSERT_NE(WaveOutHandle, nullptr);
  // About half a second of playing at the PCM's pace.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (RecordedBytes.load() < 24 * 2048) {
    ASSERT_LT(std::chrono::steady_clock::now(), limit) << "output never got going";
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  StopAudio();
  StopRecording();

  const auto recorded = ReadSamples(wav, 44);
  const auto received = ReadSamples(capture_, 0);
  ASSERT_GE(recorded.size(), 24u * 1024);
  // Four silent buffers, then the blocks in the order they were recorded. At the stop the
  // PCM may lack the halves of the last block or two still queued in our layer.
  ASSERT_GE(received.size(), 2048u + recorded.size() - 2048);
  for (size_t i = 0; i < 2048; ++i) ASSERT_EQ(received[i], 0) << i;
  // Block by block: a block that a crowded machine finished late is appended and played as it
  // stood when its turn came, so its halves may differ between the two. Such blocks are rare
  // and whole; a fault in the order or in what is appended would spoil nearly every block.
  const size_t blocks = std::min(recorded.size(), received.size() - 2048) / 1024;
  size_t same = 0;
  for (size_t b = 0; b < blocks; ++b) {
    same += std::equal(recorded.begin() + b * 1024, recorded.begin() + (b + 1) * 1024,
                       received.begin() + 2048 + b * 1024);
  }
  EXPECT_GE(same * 4, blocks * 3) << same << " of " << blocks << " blocks alike";
  EXPECT_TRUE(std::any_of(recorded.begin(), recorded.end(), [](int16_t s) { return s != 0; }));
}

}  // namespace
