// The program ended by SIGTERM, SIGINT or SIGHUP from another process while it records: it
// ends as the user's close of the main window does, with the recording finished and exit code
// zero, also when a modal box or dialog is open. The program runs as a process of its own
// (support/recording_program.cpp), started fresh.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A bound for a program that never gets there, not a pace it has to keep.
constexpr auto kPatience = std::chrono::seconds(120);

struct SignalCase {
  int signal;
  const char* open;  // open when the signal comes: nothing (""), "message" or "file-dialog"
  const char* name;
};

void PrintTo(const SignalCase& c, std::ostream* os) { *os << c.name; }

// "exit N" or "signal N".
std::string HowItEnded(int status) {
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "exit " + std::to_string(WEXITSTATUS(status));
}

uint32_t U32At(const std::vector<char>& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

// Starts the program with the three signals' default handling and none blocked, as a session
// starts it.
pid_t Start(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&defaults, s);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], nullptr, &attr, argv.data(), environ) != 0) pid = -1;
  posix_spawnattr_destroy(&attr);
  return pid;
}

// Waits until done() holds or the program has ended, whichever comes first, within the bound;
// the program's wait status once it has ended.
std::optional<int> WaitFor(pid_t pid, const std::function<bool()>& done) {
  const auto until = std::chrono::steady_clock::now() + kPatience;
  int status = 0;
  while (!done() && std::chrono::steady_clock::now() < until) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::nullopt;
}

class EndedBySignal : public ::testing::TestWithParam<SignalCase> {
 protected:
  void TearDown() override {
    // A program that never got where the test waited for it goes now.
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  QTemporaryDir dir_;
  pid_t pid_ = -1;
};

TEST_P(EndedBySignal, FinishesTheRecordingClosesAndExitsWithZero) {
  const SignalCase& e = GetParam();
  ASSERT_TRUE(dir_.isValid());
  const fs::path wav = dir_.filePath("take.wav").toStdString();
  const fs::path ready = dir_.filePath("ready").toStdString();
  pid_ = Start({RECORDING_PROGRAM, wav.string(), ready.string(), e.open});
  ASSERT_GT(pid_, 0);

  // Recording, with the box or dialog up when one was asked for.
  const std::optional<int> early = WaitFor(pid_, [&] { return fs::exists(ready); });
  ASSERT_FALSE(early.has_value()) << "the program ended before it recorded: " << HowItEnded(*early);
  ASSERT_TRUE(fs::exists(ready)) << "the program never recorded";

  ASSERT_EQ(kill(pid_, e.signal), 0);
  const std::optional<int> ended = WaitFor(pid_, [] { return false; });
  ASSERT_TRUE(ended.has_value()) << "the program did not end";
  pid_ = -1;
  EXPECT_EQ(HowItEnded(*ended), "exit 0");

  std::ifstream in(wav, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_GT(bytes.size(), 44u);
  EXPECT_EQ(U32At(bytes, 4), bytes.size() - 8);
  const uint32_t data = U32At(bytes, 40);
  EXPECT_EQ(data, bytes.size() - 44);
  EXPECT_GT(data, 0u);
  EXPECT_EQ(data % 2048, 0u) << "whole blocks of 1024 samples";
}

// Each signal with nothing open, and a box and a file dialog that the signal finds open.
constexpr SignalCase kCases[] = {
    {SIGTERM, "", "Term"},
    {SIGINT, "", "Int"},
    {SIGHUP, "", "Hup"},
    {SIGTERM, "message", "TermWithAMessageBoxOpen"},
    {SIGINT, "file-dialog", "IntWithAFileDialogOpen"},
};
INSTANTIATE_TEST_SUITE_P(Signals, EndedBySignal, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
