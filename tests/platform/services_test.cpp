#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "platform/qt/folders.h"
#include "platform/qt/registry.h"
#include "platform/qt/shell.h"
#include "platform/win/thread.h"
#include "platform/qt/touch.h"
#include "support/recording_dialogs.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(system_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system_.path());
  }
  void Write(const QString& name, const char* text) {
    QFile file(system_.path() + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QTemporaryDir system_;
};

TEST_F(Registry, AKeyIsTheVendorsSystemSettingsFile) {
  TRegistry reg;
  reg.RootKey = HKEY_LOCAL_MACHINE;
  EXPECT_FALSE(reg.OpenKeyReadOnly("\\Software\\QuorvelCam"));
  EXPECT_EQ(reg.ReadString("PathQuorvelCam"), "");

  Write("QuorvelCam.conf", "[General]\nPathQuorvelCam=/opt/q\n[Sub]\nValue=x\n");
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\QuorvelCam"));
  EXPECT_EQ(reg.ReadString("PathQuorvelCam"), "/opt/q");
  EXPECT_TRUE(reg.ValueExists("PathQuorvelCam"));
  EXPECT_FALSE(reg.ValueExists("Missing"));
  EXPECT_EQ(reg.ReadString("Missing"), "");

  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\QuorvelCam\\Sub"));
  EXPECT_EQ(reg.ReadString("Value"), "x");
  EXPECT_FALSE(reg.OpenKeyReadOnly("\\Software\\QuorvelCam\\Nope"));
  EXPECT_EQ(reg.ReadString("Value"), "") << "a failed open leaves no key open";
}

TEST_F(Registry, OnlySoftwareKeysOfTheChosenRoot) {
  Write("QuorvelCam.conf", "[General]\nPathQuorvelCam=/opt/q\n");
  TRegistry reg;
  reg.RootKey = HKEY_LOCAL_MACHINE;
  EXPECT_FALSE(reg.OpenKeyReadOnly("\\System\\QuorvelCam"));
  EXPECT_FALSE(reg.OpenKeyReadOnly("\\Software"));
  reg.RootKey = HKEY_CURRENT_USER;  // the user's own settings do not hold it
  EXPECT_FALSE(reg.OpenKeyReadOnly("\\Software\\QuorvelCam"));
}

TEST(Shell, AMissingFileFailsWithoutStartingAnything) {
  const auto result = reinterpret_cast<uintptr_t>(
      ShellExecuteA(nullptr, nullptr, "/nonexistent/readme.txt", "", "", SW_SHOWNORMAL));
  EXPECT_EQ(result, 2u);
}

TEST(Shell, OnlyRegularFilesAreHandedOn) {
  // A named pipe or a folder would hang or confuse the application opening it.
  QTemporaryDir dir;
  const std::string pipe = (dir.path() + "/readme.txt").toStdString();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  int handed = 0;
  SetShellExecuteHandler([&](const std::string&, const std::string&) { return ++handed > 0; });
  for (const std::string& file : {pipe, dir.path().toStdString()}) {
    const auto result =
        reinterpret_cast<uintptr_t>(ShellExecuteA(nullptr, nullptr, file.c_str(), "", "", 1));
    EXPECT_LE(result, 32u) << file;
  }
  SetShellExecuteHandler(nullptr);
  EXPECT_EQ(handed, 0);
}

TEST(Shell, TheHandlerSeesVerbAndFile) {
  std::string seen;
  SetShellExecuteHandler([&](const std::string& verb, const std::string& file) {
    seen = verb + "|" + file;
    return false;
  });
  const auto result =
      reinterpret_cast<uintptr_t>(ShellExecuteA(nullptr, "open", "/x/y.txt", "", "", 1));
  SetShellExecuteHandler(nullptr);
  EXPECT_EQ(seen, "open|/x/y.txt");
  EXPECT_LE(result, 32u) << "a refused open is a failure";
}

TEST(Folders, DocumentsFolderIsCreatedAndEndsWithASeparator) {
  const std::string docs = GetWindowsSpecialDir(CSIDL_PERSONAL);
  ASSERT_FALSE(docs.empty());
  EXPECT_EQ(docs.back(), '/');
  EXPECT_TRUE(QDir(QString::fromStdString(docs)).exists());
  EXPECT_EQ(GetWindowsSpecialDir(0x1a), "");
}

TEST(Touch, ProbeFindsAMultiTouchScreen) {
  EXPECT_EQ(GetSystemMetrics(SM_DIGITIZER), 0) << "the offscreen platform has no touch screen";
  // The test's devices are its own: deleting them takes them out of the system's list again.
  const std::unique_ptr<QPointingDevice> pad(
      QTest::createTouchDevice(QInputDevice::DeviceType::TouchPad));
  EXPECT_EQ(GetSystemMetrics(SM_DIGITIZER) & NID_MULTI_INPUT, 0) << "a touch pad is no screen";
  std::unique_ptr<QPointingDevice> screen(
      QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen));
  ASSERT_GT(screen->maximumPoints(), 1);
  EXPECT_NE(GetSystemMetrics(SM_DIGITIZER) & NID_MULTI_INPUT, 0);
  EXPECT_NE(GetSystemMetrics(SM_DIGITIZER) & NID_READY, 0);
  EXPECT_EQ(GetSystemMetrics(0), 0);
  screen.reset();
  EXPECT_EQ(GetSystemMetrics(SM_DIGITIZER), 0) << "the screen is gone";
}

TEST(Touch, RegistrationSwitchesTouchEventsOnAndOff) {
  QWidget window;
  const HWND handle = AllocateHWnd(nullptr, &window);
  EXPECT_TRUE(RegisterTouchWindow(handle, TWF_FINETOUCH | TWF_WANTPALM));
  EXPECT_TRUE(window.testAttribute(Qt::WA_AcceptTouchEvents));
  const GESTURECONFIG none{0, 0, 0};
  EXPECT_TRUE(SetGestureConfig(handle, 0, 1, &none, sizeof(GESTURECONFIG)));
  EXPECT_FALSE(SetGestureConfig(handle, 0, 1, &none, 8));
  EXPECT_TRUE(UnregisterTouchWindow(handle));
  EXPECT_FALSE(window.testAttribute(Qt::WA_AcceptTouchEvents));
  EXPECT_FALSE(RegisterTouchWindow(nullptr, 0));
  // A handle that stands for no window of ours, or one already gone, registers nothing.
  const HWND bare = AllocateHWnd(nullptr);
  EXPECT_FALSE(RegisterTouchWindow(bare, 0));
  DeallocateHWnd(bare);
  DeallocateHWnd(handle);
  EXPECT_FALSE(RegisterTouchWindow(handle, 0));
}

TEST(Threads, PriorityAndProcessors) {
  DWORD_PTR process = 0, system = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
  EXPECT_NE(process, 0u);
  EXPECT_EQ(process & ~system, 0u);
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  EXPECT_GE(info.dwNumberOfProcessors, 1u);
  EXPECT_FALSE(GetProcessAffinityMask(GetCurrentThread(), &process, &system));
  // Lowering one's own priority is always allowed; only another thread's handle is refused.
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), -1));
  EXPECT_FALSE(SetThreadPriority(GetCurrentProcess(), 0));
}

TEST(Dialogs, WithoutAServiceQuestionsAreRefusedAndDialogsCancelled) {
  ASSERT_EQ(GetDialogService(), nullptr);
  EXPECT_FALSE(AskYesNo("Question", "Sure?"));
  TOpenDialog open;
  EXPECT_FALSE(open.Execute());
  {
    RecordingDialogs dialogs;
    dialogs.answers.push_back(true);
    dialogs.fileNames.push_back("/tmp/a.lmt");
    EXPECT_TRUE(AskYesNo("Question", "Sure?"));
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName, "/tmp/a.lmt");
    ShowMessage("hello");
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"hello"});
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Question|Sure?"});
  }
  EXPECT_EQ(GetDialogService(), nullptr) << "the recorder restores what it replaced";
}

}  // namespace
