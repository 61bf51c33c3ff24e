#include "engine/mainnote.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "reference_engine.h"
#include "voice_fixture.h"

namespace {

namespace fs = std::filesystem;

class MainNote : public EngineState {
 protected:
  void SetUp() override {
    EngineState::SetUp();
    dir_ = fs::temp_directory_path() / ("lumatap-note-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    EngineState::TearDown();
  }
  std::vector<char> Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  fs::path dir_;
};

// Headless, without a window: the file holds exactly the blocks of the scalar model of one
// note held for attack + 40 blocks and released over the release time.
TEST_F(MainNote, TheFileHoldsTheModelsBlocksOfTheHeldAndReleasedNote) {
  for (int b = 900; b < 1400; b += 7) InstrumentSpectrum[b].Fill(0.02f);
  settings.attack = 3;
  settings.release = 4;
  ThreadCount = 2;
  RefEngine ref;
  ref.attack = 3;
  ref.release = 4;

  ASSERT_EQ(RenderMainNote((dir_ / "note.wav").string()), 0);
  const std::vector<char> wav = Read(dir_ / "note.wav");
  const int blocks = 3 + 4 + 40;
  ASSERT_EQ(wav.size(), 44u + blocks * 2048u);
  ref.NoteOn(1, BinFrequency[1024], 0.9f);
  for (int i = 0; i < blocks; ++i) {
    const auto expected = ref.MixVoices(2);
    ASSERT_EQ(std::memcmp(wav.data() + 44 + i * 2048, expected.data(), 2048), 0) << "block " << i;
    if (i == 3 + 39) ref.NoteOff(1);
  }
  EXPECT_FALSE(Recording.load());
  for (const TVoice& v : Voices) EXPECT_EQ(v.State, vsFree);
}

TEST_F(MainNote, AFileThatCannotBeCreatedPlaysNothing) {
  EXPECT_EQ(RenderMainNote((dir_ / "missing" / "note.wav").string()), 0);
  EXPECT_FALSE(fs::exists(dir_ / "missing" / "note.wav"));
  for (const TVoice& v : Voices) EXPECT_EQ(v.State, vsFree);
  EXPECT_FALSE(Recording.load());
}

}  // namespace
