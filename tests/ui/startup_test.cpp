#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include "app/lumatap.h"
#include "capture/com_fixture.h"
#include "engine/waves.h"
#include "platform/dshow/guids.h"
#include "platform/win/cpu.h"
#include "support/recording_dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

constexpr uint32_t kOsxsave = 1u << 27, kAvx = 1u << 28, kFma = 1u << 12;

// Registers of a processor the test describes.
struct FakeCpu {
  static inline uint32_t maxLeaf = 0xD;
  static inline uint32_t leaf1Ecx = kOsxsave | kAvx | kFma;
  static inline uint64_t xcr0 = 0x7;
  static CpuidRegisters Cpuid(uint32_t leaf) {
    if (leaf == 0) return {maxLeaf, 0, 0, 0};
    if (leaf == 1) return {0, 0, leaf1Ecx, 0};
    return {};
  }
  static uint64_t Xgetbv(uint32_t) { return xcr0; }
};

class ProcessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeCpu::maxLeaf = 0xD;
    FakeCpu::leaf1Ecx = kOsxsave | kAvx | kFma;
    FakeCpu::xcr0 = 0x7;
    SetCpuSources(FakeCpu::Cpuid, FakeCpu::Xgetbv);
  }
  void TearDown() override { SetCpuSources(nullptr, nullptr); }
};

TEST_F(ProcessorTest, AcceptsAvxFmaWithTheRegisterStateSaved) { EXPECT_TRUE(CpuSupportsAvx()); }

TEST_F(ProcessorTest, RefusesWhatIsMissing) {
  FakeCpu::maxLeaf = 0;
  EXPECT_FALSE(CpuSupportsAvx()) << "no leaf 1";
  FakeCpu::maxLeaf = 0xD;
  for (uint32_t missing : {kOsxsave, kAvx, kFma}) {
    FakeCpu::leaf1Ecx = (kOsxsave | kAvx | kFma) & ~missing;
    EXPECT_FALSE(CpuSupportsAvx()) << std::hex << missing;
  }
  FakeCpu::leaf1Ecx = kOsxsave | kAvx | kFma;
  FakeCpu::xcr0 = 0x3;  // the system does not save the upper halves of the AVX registers
  EXPECT_FALSE(CpuSupportsAvx());
  FakeCpu::xcr0 = 0x5;
  EXPECT_FALSE(CpuSupportsAvx());
}

TEST_F(ProcessorTest, WithoutFmaTheProgramSaysSoAndEndsWithCodeZeroBeforeAnyWindow) {
  FakeCpu::leaf1Ecx = kOsxsave | kAvx;
  RecordingDialogs dialogs;
  char name[] = "lumatap";
  char* argv[] = {name, nullptr};
  const int code = RunLumatap(1, argv);
  EXPECT_EQ(code, 0);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], "AVX/FMA3 not supported by this CPU, please use 32bit edition!");
  EXPECT_EQ(FormLumatap, nullptr);
  EXPECT_EQ(FormSettings, nullptr);
  EXPECT_EQ(FormInstrument, nullptr);
  EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
  EXPECT_EQ(Application.Title, "Quorvel Lumatap Pro");
}

TEST(Startup, CreatesTheThreeWindowsInOrderRunsTheLoopAndTearsDown) {
  if (!CpuSupportsAvx()) GTEST_SKIP() << "this machine's processor lacks AVX/FMA";
  RecordingDialogs dialogs;
  bool inspected = false;
  // Runs inside the message loop, once the main window is up.
  QTimer::singleShot(0, [&] {
    inspected = true;
    ASSERT_NE(FormLumatap, nullptr);
    ASSERT_NE(FormSettings, nullptr);
    ASSERT_NE(FormInstrument, nullptr);
    EXPECT_EQ(Application.MainForm, FormLumatap);
    EXPECT_TRUE(FormLumatap->isVisible());
    EXPECT_FALSE(FormSettings->isVisible());
    EXPECT_FALSE(FormInstrument->isVisible());
    EXPECT_EQ(FormLumatap->windowTitle(), "Quorvel Lumatap Synth Pro");
    EXPECT_EQ(FormSettings->windowTitle(), "Lumatap Synth Settings");
    EXPECT_EQ(FormInstrument->windowTitle(), "Lumatap Synth Instrument");
    EXPECT_EQ(QCoreApplication::applicationName(), "TQuorvelForm");
    EXPECT_FALSE(FormLumatap->windowIcon().isNull());
    // The create handler built the engine's tables and defaults.
    EXPECT_EQ(BinFrequency[1024], 125.78616333007812f);
    EXPECT_EQ(MainBin.load(), 1024);
    EXPECT_EQ(ClipVolume.load(), 63.998046875f);
    EXPECT_FALSE(Playing);
    EXPECT_FALSE(FormLumatap->PianoMode);
    FormLumatap->close();
  });
  char name[] = "lumatap";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(RunLumatap(1, argv), 0);
  EXPECT_TRUE(inspected);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(FormLumatap, nullptr);
  EXPECT_EQ(FormSettings, nullptr);
  EXPECT_EQ(FormInstrument, nullptr);
}

TEST(Startup, WithoutTheSampleGrabberFilterShowsTheAssertionAndEndsBeforeTheLoop) {
  if (!CpuSupportsAvx()) GTEST_SKIP() << "this machine's processor lacks AVX/FMA";
  RecordingDialogs dialogs;
  TClassOverride gone(CLSID_SampleGrabber, nullptr);
  bool loopRan = false;
  QTimer probe;
  probe.setSingleShot(true);
  QObject::connect(&probe, &QTimer::timeout, [&] { loopRan = true; });
  probe.start(0);
  char name[] = "lumatap";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(RunLumatap(1, argv), 1);
  EXPECT_EQ(dialogs.messages,
            std::vector<std::string>{"The SampleGrabber Filter is not available on this system."});
  EXPECT_FALSE(loopRan);
  EXPECT_EQ(FormLumatap, nullptr);
  EXPECT_EQ(FormSettings, nullptr);
  EXPECT_EQ(FormInstrument, nullptr);
  EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

}  // namespace
