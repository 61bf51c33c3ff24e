#include "engine/recording.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/import.h"
#include "platform/win/dialogs.h"

namespace {

namespace fs = std::filesystem;

// Answers nothing, remembers every message box.
class MessageLog : public DialogService {
 public:
  std::vector<std::string> messages;
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  bool ExecuteOpen(TOpenDialog&) override { return false; }
  bool ExecuteSave(TSaveDialog&) override { return false; }
};

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
std::string Tag(const std::vector<uint8_t>& b, size_t at) {
  return std::string(reinterpret_cast<const char*>(&b[at]), 4);
}

std::vector<int16_t> BlockOf(int seed) {
  std::vector<int16_t> block(1024);
  for (int i = 0; i < 1024; ++i) block[i] = static_cast<int16_t>(seed * 7919 + i * 31);
  return block;
}

class RecordingWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("lumatap-rec-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    previous_ = SetDialogService(&log_);
    SampleCount = 0;
  }
  void TearDown() override {
    StopRecording();
    SampleCount = 0;
    SetDialogService(previous_);
    fs::remove_all(dir_);
  }
  fs::path File(const char* name) { return dir_ / name; }

  fs::path dir_;
  MessageLog log_;
  DialogService* previous_ = nullptr;
};

TEST_F(RecordingWriter, StartThenStopLeavesTheCanonicalEmptyHeader) {
  ASSERT_TRUE(StartRecording(File("a.wav")));
  EXPECT_TRUE(Recording.load());
  EXPECT_NE(RecordStream, nullptr);
  StopRecording();
  EXPECT_FALSE(Recording.load());
  EXPECT_EQ(RecordStream, nullptr);
  const auto b = ReadAll(File("a.wav"));
  ASSERT_EQ(b.size(), 44u);
  EXPECT_EQ(Tag(b, 0), "RIFF");
  EXPECT_EQ(U32(b, 4), 36u);
  EXPECT_EQ(Tag(b, 8), "WAVE");
  EXPECT_EQ(Tag(b, 12), "fmt ");
  EXPECT_EQ(U32(b, 16), 16u);
  EXPECT_EQ(U16(b, 20), 1u);
  EXPECT_EQ(U16(b, 22), 1u);
  EXPECT_EQ(U32(b, 24), 48000u);
  EXPECT_EQ(U32(b, 28), 96000u);
  EXPECT_EQ(U16(b, 32), 2u);
  EXPECT_EQ(U16(b, 34), 16u);
  EXPECT_EQ(Tag(b, 36), "data");
  EXPECT_EQ(U32(b, 40), 0u);
  EXPECT_TRUE(log_.messages.empty());
}

TEST_F(RecordingWriter, AppendedBlocksFollowTheHeaderInOrderAndSetTheSizes) {
  ASSERT_TRUE(StartRecording(File("k.wav")));
  std::vector<int16_t> all;
  for (int k = 0; k < 5; ++k) {
    const auto block = BlockOf(k);
    AppendRecording(block.data());
    all.insert(all.end(), block.begin(), block.end());
  }
  EXPECT_EQ(RecordedBytes.load(), 5 * 2048);
  StopRecording();
  AppendRecording(BlockOf(9).data());  // after the stop: nothing
  const auto b = ReadAll(File("k.wav"));
  ASSERT_EQ(b.size(), 44u + 5 * 2048);
  EXPECT_EQ(U32(b, 4), 36u + 5 * 2048);
  EXPECT_EQ(U32(b, 40), 5u * 2048);
  EXPECT_EQ(std::memcmp(b.data() + 44, all.data(), all.size() * 2), 0);
  EXPECT_EQ(RecordedBytes.load(), 5 * 2048);
}

TEST_F(RecordingWriter, ProvisionalSizesComeFromSampleCountUntilTheStop) {
  SampleCount = 1000;  // the short frame count of a refused import
  ASSERT_TRUE(StartRecording(File("p.wav")));
  AppendRecording(BlockOf(1).data());
  auto b = ReadAll(File("p.wav"));
  EXPECT_EQ(U32(b, 4), 36u + 2000);
  EXPECT_EQ(U32(b, 40), 2000u);
  SampleCount = 40000;  // an import during the recording changes nothing the stop writes
  StopRecording();
  b = ReadAll(File("p.wav"));
  EXPECT_EQ(U32(b, 4), 36u + 2048);
  EXPECT_EQ(U32(b, 40), 2048u);
}

TEST_F(RecordingWriter, ASecondStartIsIgnoredAndAStopWhileIdleTouchesNothing) {
  ASSERT_TRUE(StartRecording(File("first.wav")));
  AppendRecording(BlockOf(1).data());
  EXPECT_TRUE(StartRecording(File("second.wav")));
  EXPECT_FALSE(fs::exists(File("second.wav")));
  EXPECT_EQ(RecordedBytes.load(), 2048);
  AppendRecording(BlockOf(2).data());
  StopRecording();
  EXPECT_EQ(fs::file_size(File("first.wav")), 44u + 2 * 2048);

  std::ofstream(File("other.wav")) << "untouched";
  StopRecording();
  EXPECT_EQ(fs::file_size(File("first.wav")), 44u + 2 * 2048);
  EXPECT_EQ(ReadAll(File("other.wav")).size(), 9u);
  EXPECT_EQ(RecordStream, nullptr);
}

TEST_F(RecordingWriter, AFileThatCannotBeCreatedIsReportedAndNothingRecords) {
  RecordedBytes.store(4096);
  const std::string name = (dir_ / "no such folder" / "x.wav").string();
  EXPECT_FALSE(StartRecording(name));
  EXPECT_FALSE(Recording.load());
  EXPECT_EQ(RecordStream, nullptr);
  EXPECT_EQ(RecordedBytes.load(), 4096);
  ASSERT_EQ(log_.messages.size(), 1u);
  EXPECT_NE(log_.messages[0].find(name), std::string::npos) << log_.messages[0];
  EXPECT_NE(log_.messages[0].find(std::strerror(ENOENT)), std::string::npos) << log_.messages[0];
  AppendRecording(BlockOf(1).data());
  EXPECT_EQ(RecordedBytes.load(), 4096);

  // The raising operation itself, for callers that want the runtime's error.
  EXPECT_THROW(CreateWavFile(name), EFCreateError);
}

TEST_F(RecordingWriter, AHeaderThatCannotBeWrittenIsReportedAndTheStreamClosed) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_FALSE(StartRecording("/dev/full"));
  EXPECT_FALSE(Recording.load());
  EXPECT_EQ(RecordStream, nullptr);
  ASSERT_EQ(log_.messages.size(), 1u);
  EXPECT_NE(log_.messages[0].find(std::strerror(ENOSPC)), std::string::npos) << log_.messages[0];
  EXPECT_THROW(CreateWavFile("/dev/full"), EWriteError);
  EXPECT_EQ(RecordStream, nullptr);
}

TEST_F(RecordingWriter, AFullRecordingStopsAtTheLastWholeBlockInsteadOfWrapping) {
  ASSERT_TRUE(StartRecording(File("full.wav")));
  // As if some six hours had been recorded: room for exactly one more block.
  const int32_t nearlyFull = MaxRecordedBytes - 2048 - 100;
  RecordedBytes.store(nearlyFull);
  AppendRecording(BlockOf(1).data());
  EXPECT_EQ(RecordedBytes.load(), nearlyFull + 2048);
  AppendRecording(BlockOf(2).data());
  AppendRecording(BlockOf(3).data());
  EXPECT_EQ(RecordedBytes.load(), nearlyFull + 2048);
  EXPECT_TRUE(Recording.load());
  // Only one block reached the file after the header.
  EXPECT_EQ(fs::file_size(File("full.wav")), 44u + 2048);
  StopRecording();
  const auto b = ReadAll(File("full.wav"));
  EXPECT_EQ(U32(b, 40), uint32_t(nearlyFull + 2048));
  EXPECT_EQ(U32(b, 4), uint32_t(nearlyFull + 2048) + 36);
}

TEST_F(RecordingWriter, AnAppenderOnAnotherThreadNeverWritesIntoTheStop) {
  for (int round = 0; round < 20; ++round) {
    const fs::path file = File("race.wav");
    ASSERT_TRUE(StartRecording(file));
    std::atomic<bool> started{false}, quit{false};
    std::thread appender([&] {
      const auto block = BlockOf(round);
      while (!quit.load()) {
        AppendRecording(block.data());
        started.store(true);
      }
    });
    while (!started.load()) std::this_thread::yield();
    StopRecording();
    quit.store(true);
    appender.join();
    // Every appended byte is in the file and counted in its header, nothing more.
    const auto b = ReadAll(file);
    ASSERT_GE(b.size(), 44u + 2048);
    EXPECT_EQ(U32(b, 40), b.size() - 44);
    EXPECT_EQ(U32(b, 4), b.size() - 8);
    EXPECT_EQ((b.size() - 44) % 2048, 0u);
    EXPECT_EQ(RecordedBytes.load(), int32_t(b.size() - 44));
  }
}

}  // namespace
