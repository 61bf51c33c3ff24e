#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "engine/waves.h"
#include "platform/qt/shell.h"
#include "platform/winmm/waveout_virtual.h"
#include "support/disk_room.h"
#include "support/program_windows.h"
#include "support/recording_dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_.emplace(true);
    // The timer would move the volume bar whenever the window waits for the screen.
    timerStarted_ = FormLumatap->Timer1->isActive();
    FormLumatap->Timer1->stop();
    FormLumatap->move(100, 50);
    FormLumatap->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FormLumatap));
  }
  void TearDown() override { windows_.reset(); }
  std::optional<ProgramWindows> windows_;
  bool timerStarted_ = false;
  static void ClickOn(TImage* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
  }
  // The visible buttons of the right group, from left to right.
  static std::vector<TImage*> RightGroup() {
    TFormLumatap* f = FormLumatap;
    std::vector<TImage*> shown;
    for (TImage* b :
         {f->btnSmooth, f->btnPiano, f->btnStopRecord, f->btnRecord, f->btnPlay, f->btnPause})
      if (!b->isHidden()) shown.push_back(b);
    std::sort(shown.begin(), shown.end(), [](TImage* a, TImage* b) { return a->x() < b->x(); });
    return shown;
  }
};

TEST_F(MainWindow, DesignedComponents) {
  TFormLumatap* f = FormLumatap;
  EXPECT_EQ(f->btnSettings->Hint(), "Show Settings Window");
  EXPECT_EQ(f->btnInstrument->Hint(), "Show Instrument Window");
  EXPECT_EQ(f->btnReadme->Hint(), "Show readme file for help");
  EXPECT_EQ(f->btnSmooth->Hint(), "Set Smooth Frequency Range");
  EXPECT_EQ(f->btnPiano->Hint(), "Set Standard Tone Range");
  EXPECT_EQ(f->btnStopRecord->Hint(), "Stop Recording");
  EXPECT_EQ(f->btnRecord->Hint(), "Start Recording");
  EXPECT_EQ(f->btnPlay->Hint(), "Start Playing");
  EXPECT_EQ(f->btnPause->Hint(), "Pause Playing");
  EXPECT_EQ(f->VolumeBar->Tag, 3800);
  EXPECT_EQ(f->VolumeBar->toolTip(), "Volume");
  EXPECT_EQ(
      f->StatusBar1->SimpleText().toStdString(),
      " First load or create an instrument in the instrument window, after adjust the "
      "settings and select the input mode, then you can play your instrument in this window.");
  EXPECT_EQ(f->Timer1->interval(), 250);
  EXPECT_TRUE(timerStarted_);
  EXPECT_EQ(f->SaveDialogWav.Title, "Save recorded file as");
  EXPECT_EQ(f->SaveDialogWav.Filter, "wave files|*.wav");
  EXPECT_EQ(f->SaveDialogWav.DefaultExt, ".wav");
  EXPECT_EQ(f->SaveDialogWav.Options,
            uint32_t(ofOverwritePrompt | ofHideReadOnly | ofPathMustExist | ofNoReadOnlyReturn |
                     ofEnableSizing | ofViewDetail));
  // The recording folder: the documents folder + "LumatapSynth/", both created.
  const std::string documents = QDir::homePath().toStdString() + "/Documents/";
  EXPECT_EQ(f->SaveDialogWav.InitialDir, documents + "LumatapSynth/");
  EXPECT_TRUE(QDir(QString::fromStdString(documents + "LumatapSynth")).exists());
  // Toolbar across the top, status bar at the bottom, the volume bar between the two groups.
  EXPECT_EQ(f->Panel1->y(), 0);
  EXPECT_EQ(f->Panel1->width(), f->width());
  EXPECT_EQ(f->StatusBar1->geometry().bottom(), f->height() - 1);
  EXPECT_EQ(f->VolumeBar->x(), f->btnReadme->geometry().right() + 1);
  EXPECT_EQ(f->VolumeBar->geometry().right() + 1, f->btnSmooth->x());
  EXPECT_EQ(f->btnSettings->x(), 0);
  EXPECT_LT(f->btnSettings->x(), f->btnInstrument->x());
  EXPECT_LT(f->btnInstrument->x(), f->btnReadme->x());
}

TEST_F(MainWindow, RightGroupStartsWithSmoothPianoRecordPlay) {
  TFormLumatap* f = FormLumatap;
  const std::vector<TImage*> expected = {f->btnSmooth, f->btnPiano, f->btnRecord, f->btnPlay};
  EXPECT_EQ(RightGroup(), expected);
  EXPECT_TRUE(f->btnPause->isHidden());
  EXPECT_TRUE(f->btnStopRecord->isHidden());
  EXPECT_EQ(f->btnPlay->geometry().right(), f->Panel1->width() - 1);
}

TEST_F(MainWindow, PlayAndPauseSwapInTheRightmostSlot) {
  TFormLumatap* f = FormLumatap;
  const QRect slot = f->btnPlay->geometry();
  ClickOn(f->btnPlay);
  EXPECT_TRUE(Playing);
  EXPECT_TRUE(f->btnPlay->isHidden());
  EXPECT_FALSE(f->btnPause->isHidden());
  EXPECT_EQ(f->btnPause->geometry(), slot);
  std::vector<TImage*> expected = {f->btnSmooth, f->btnPiano, f->btnRecord, f->btnPause};
  EXPECT_EQ(RightGroup(), expected);

  ClickOn(f->btnPause);
  EXPECT_FALSE(Playing);
  EXPECT_TRUE(f->btnPause->isHidden());
  EXPECT_EQ(f->btnPlay->geometry(), slot);
  expected = {f->btnSmooth, f->btnPiano, f->btnRecord, f->btnPlay};
  EXPECT_EQ(RightGroup(), expected);
}

TEST_F(MainWindow, RecordAsksForAFileAndSwapsOnlyWhenConfirmed) {
  TFormLumatap* f = FormLumatap;
  RecordingDialogs dialogs;
  const QRect slot = f->btnRecord->geometry();
  ClickOn(f->btnRecord);  // cancelled: nothing changes
  ASSERT_EQ(dialogs.dialogTitles.size(), 1u);
  EXPECT_EQ(dialogs.dialogTitles[0], "Save recorded file as");
  EXPECT_FALSE(f->btnRecord->isHidden());
  EXPECT_TRUE(f->btnStopRecord->isHidden());

  QTemporaryDir dir;
  dialogs.fileNames.push_back((dir.path() + "/take.wav").toStdString());
  ClickOn(f->btnRecord);
  EXPECT_TRUE(f->btnRecord->isHidden());
  EXPECT_FALSE(f->btnStopRecord->isHidden());
  EXPECT_EQ(f->btnStopRecord->geometry(), slot);
  std::vector<TImage*> expected = {f->btnSmooth, f->btnPiano, f->btnStopRecord, f->btnPlay};
  EXPECT_EQ(RightGroup(), expected);

  ClickOn(f->btnStopRecord);
  EXPECT_FALSE(f->btnRecord->isHidden());
  EXPECT_TRUE(f->btnStopRecord->isHidden());
  EXPECT_EQ(f->btnRecord->geometry(), slot);
}

TEST_F(MainWindow, AFileThatCannotBeWrittenIsToldAndTheRecordButtonComesBack) {
  TFormLumatap* f = FormLumatap;
  RecordingDialogs dialogs;
  const QRect slot = f->btnRecord->geometry();
  dialogs.fileNames.push_back("/nonexistent-folder/take.wav");
  ClickOn(f->btnRecord);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].find("/nonexistent-folder/take.wav"), std::string::npos);
  EXPECT_FALSE(f->btnRecord->isHidden());
  EXPECT_TRUE(f->btnStopRecord->isHidden());
  EXPECT_EQ(f->btnRecord->geometry(), slot);
  EXPECT_FALSE(Recording);
}

TEST_F(MainWindow, RecordingWhileStoppedGivesAnEmptyButValidWavFile) {
  TFormLumatap* f = FormLumatap;
  RecordingDialogs dialogs;
  QTemporaryDir dir;
  const QString path = dir.path() + "/take.wav";
  dialogs.fileNames.push_back(path.toStdString());
  ClickOn(f->btnRecord);
  EXPECT_TRUE(Recording);
  ClickOn(f->btnStopRecord);
  EXPECT_FALSE(Recording);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_EQ(bytes.size(), 44);
  EXPECT_EQ(bytes.left(4), "RIFF");
  EXPECT_EQ(bytes.mid(8, 4), "WAVE");
}

TEST_F(MainWindow, RecordSlotHoldsWhilePlaying) {
  TFormLumatap* f = FormLumatap;
  RecordingDialogs dialogs;
  QTemporaryDir dir;
  dialogs.fileNames.push_back((dir.path() + "/take.wav").toStdString());
  VirtualWaveOut device{VirtualWaveOut::Pace::Stepped};
  ClickOn(f->btnPlay);
  ClickOn(f->btnRecord);
  const std::vector<TImage*> expected = {f->btnSmooth, f->btnPiano, f->btnStopRecord, f->btnPause};
  EXPECT_EQ(RightGroup(), expected);
  ClickOn(f->btnStopRecord);
  ClickOn(f->btnPause);
}

TEST_F(MainWindow, PlayingWithoutASoundDeviceSaysWhichAndWhyAndRecordsNothing) {
  TFormLumatap* f = FormLumatap;
  const char* before = std::getenv("LUMATAP_AUDIO_DEVICE");
  const std::string saved = before ? before : "";
  setenv("LUMATAP_AUDIO_DEVICE", "lumatap_no_such_pcm", 1);
  RecordingDialogs dialogs;
  QTemporaryDir dir;
  dialogs.fileNames.push_back((dir.path() + "/take.wav").toStdString());
  ClickOn(f->btnPlay);
  EXPECT_TRUE(Playing);
  const std::string said =
      "No sound output could be opened: \"lumatap_no_such_pcm\": No such file or directory";
  EXPECT_EQ(f->StatusBar1->SimpleText().toStdString(), said);
  // A recording would stay empty: the record button says the same and starts nothing.
  f->StatusBar1->SetSimpleText("");
  ClickOn(f->btnRecord);
  EXPECT_EQ(f->StatusBar1->SimpleText().toStdString(), said);
  EXPECT_FALSE(Recording.load());
  EXPECT_EQ(dialogs.fileNames.size(), 1u) << "no dialog ran";
  EXPECT_TRUE(f->btnStopRecord->isHidden());
  ClickOn(f->btnPause);
  if (before)
    setenv("LUMATAP_AUDIO_DEVICE", saved.c_str(), 1);
  else
    unsetenv("LUMATAP_AUDIO_DEVICE");
}

TEST_F(MainWindow, ARecordingThatTheDiskCutsShortEndsAtTheNextTickAndSaysWhy) {
  TFormLumatap* f = FormLumatap;
  RecordingDialogs dialogs;
  QTemporaryDir dir;
  const std::string take = (dir.path() + "/take.wav").toStdString();
  dialogs.fileNames.push_back(take);
  ClickOn(f->btnRecord);
  ASSERT_TRUE(Recording.load());
  // A disk with room for the header and one and a half blocks.
  {
    const DiskRoom room(44 + 3072);
    ASSERT_TRUE(room.Set());
    for (int i = 0; i < 3; ++i) AppendRecording(OutBlock);  // as the sound device's callback
  }
  EXPECT_TRUE(dialogs.messages.empty());
  f->Timer1Timer(f->Timer1);
  EXPECT_FALSE(Recording.load());
  EXPECT_EQ(dialogs.messages,
            std::vector<std::string>{"Recording \"" + take + "\" was cut short: File too large."});
  EXPECT_TRUE(f->btnStopRecord->isHidden());
  EXPECT_FALSE(f->btnRecord->isHidden());
  // The file holds what was written, and its header says so.
  QFile file(QString::fromStdString(take));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_EQ(bytes.size(), 44 + 3072);
  auto u32 = [&](int at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
  };
  EXPECT_EQ(u32(4), 36u + 3072u);
  EXPECT_EQ(u32(40), 3072u);
}

TEST_F(MainWindow, WithoutRoomForItsFolderTheDialogsStartInTheDocumentsFolder) {
  windows_.reset();
  const std::string documents = QDir::homePath().toStdString() + "/Documents/";
  QDir(QString::fromStdString(documents + "LumatapSynth")).removeRecursively();
  QFile blocker(QString::fromStdString(documents + "LumatapSynth"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder would go
  blocker.close();
  windows_.emplace(true);
  EXPECT_EQ(FormLumatap->SaveDialogWav.InitialDir, documents);
  EXPECT_EQ(FormInstrument->OpenDialog1.InitialDir, documents);
  EXPECT_EQ(FormInstrument->SaveDialog1.InitialDir, documents);
  windows_.reset();
  blocker.remove();
  // Made again when it is missing, parents and all.
  QDir(QString::fromStdString(documents)).removeRecursively();
  windows_.emplace(true);
  EXPECT_EQ(FormInstrument->SaveDialog1.InitialDir, documents + "LumatapSynth/");
  EXPECT_TRUE(QDir(QString::fromStdString(documents + "LumatapSynth")).exists());
}

TEST_F(MainWindow, SmoothAndPianoSetTheMode) {
  ClickOn(FormLumatap->btnPiano);
  EXPECT_TRUE(FormLumatap->PianoMode);
  ClickOn(FormLumatap->btnPiano);
  EXPECT_TRUE(FormLumatap->PianoMode);
  ClickOn(FormLumatap->btnSmooth);
  EXPECT_FALSE(FormLumatap->PianoMode);
}

TEST_F(MainWindow, SettingsAndInstrumentButtonsToggleTheirWindowsAtTheirOffsets) {
  TFormLumatap* f = FormLumatap;
  ClickOn(f->btnSettings);
  ASSERT_TRUE(FormSettings->isVisible());
  EXPECT_EQ(FormSettings->Left(), f->Left() + 64);
  EXPECT_EQ(FormSettings->Top(), f->Top() + 128);
  ClickOn(f->btnSettings);
  EXPECT_FALSE(FormSettings->isVisible());

  ClickOn(f->btnInstrument);
  ASSERT_TRUE(FormInstrument->isVisible());
  EXPECT_EQ(FormInstrument->Left(), f->Left() + 128);
  EXPECT_EQ(FormInstrument->Top(), f->Top() + 192);
  ClickOn(f->btnInstrument);
  EXPECT_FALSE(FormInstrument->isVisible());
}

TEST_F(MainWindow, ClosingTheToolWindowsOnlyHidesThem) {
  FormSettings->show();
  FormInstrument->show();
  EXPECT_TRUE(FormSettings->close());
  EXPECT_TRUE(FormInstrument->close());
  EXPECT_FALSE(FormSettings->isVisible());
  EXPECT_FALSE(FormInstrument->isVisible());
  // Still there to be shown again.
  QTest::mouseClick(FormLumatap->btnSettings, Qt::LeftButton);
  EXPECT_TRUE(FormSettings->isVisible());
}

class Readme : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    ASSERT_TRUE(system_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system_.path());
    SetShellExecuteHandler([this](const std::string& verb, const std::string& file) {
      opened_.push_back(verb + "|" + file);
      return true;
    });
  }
  void TearDown() override {
    SetShellExecuteHandler(nullptr);
    MainWindow::TearDown();
  }
  void WriteKey(const char* line) {
    QFile file(system_.path() + "/QuorvelCam.conf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(line);
  }
  QTemporaryDir system_;
  std::vector<std::string> opened_;
};

TEST_F(Readme, FromTheInstallFolderInTheRegistry) {
  WriteKey("[General]\nPathQuorvelCam=/opt/quorvel\n");
  ClickOn(FormLumatap->btnReadme);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], "|/opt/quorvel/readme.txt");
}

TEST_F(Readme, EmptyValueGivesTheBareName) {
  WriteKey("[General]\nPathQuorvelCam=\n");
  ClickOn(FormLumatap->btnReadme);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], "|/readme.txt");
}

TEST_F(Readme, KeyPresentWithoutTheValueGivesTheBareName) {
  WriteKey("[General]\nOther=1\n");
  ClickOn(FormLumatap->btnReadme);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], "|/readme.txt");
}

TEST_F(Readme, WithoutTheKeyTheProgramFolder) {
  ClickOn(FormLumatap->btnReadme);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], "|" + QCoreApplication::applicationDirPath().toStdString() + "/readme.txt");
}

TEST_F(Readme, AMissingFileIsNotReported) {
  SetShellExecuteHandler(nullptr);
  WriteKey("[General]\nPathQuorvelCam=/nonexistent/folder\n");
  RecordingDialogs dialogs;
  ClickOn(FormLumatap->btnReadme);
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
