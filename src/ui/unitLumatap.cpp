#include "ui/unitLumatap.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

#include "engine/waves.h"
#include "platform/win/folders.h"
#include "platform/win/registry.h"
#include "platform/win/shell.h"
#include "platform/win/thread.h"
#include "platform/win/touch.h"
#include "ui/unitInstrument.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

bool Playing = false;
bool TouchCapable = false;
bool TouchRegistered = false;
bool TouchOffered = false;
bool WebcamInUse = false;

TFormLumatap* FormLumatap = nullptr;

namespace {
constexpr int kToolbarHeight = 68;
constexpr int kButtonWidth = 64;
constexpr int kStatusBarHeight = 36;

// The x87 unit back to its power-on state (precision, rounding, masked exceptions).
void ResetFpu() { __asm__ volatile("fninit"); }
}  // namespace

void CheckTouchCapable() {
  TouchCapable = false;
  if (GetSystemMetrics(SM_DIGITIZER) & NID_MULTI_INPUT) TouchCapable = true;
}

void DisableGestures(HWND window) {
  const GESTURECONFIG config{0, 0, 0};
  SetGestureConfig(window, 0, 1, &config, sizeof(GESTURECONFIG));
}

TFormLumatap::TFormLumatap(QWidget* parent) : TForm(parent) {
  setWindowTitle("Quorvel Lumatap Synth Pro");
  setWindowIcon(QIcon(":/icons/lumatap.svg"));
  SetColor(Qt::white);
  SetDesignedSize(1300, 704);
  SetDesignedConstraints(640, 480, 16000, 16000);

  Panel1 = new TPanel(this);
  Panel1->SetColor(QGuiApplication::palette().color(QPalette::Highlight));
  Panel1->resize(width(), Scale(kToolbarHeight));
  SetAlign(Panel1, TAlign::alTop);

  // Designed order: the left group from the left; the right group by its designed Left, the
  // hidden pause and stop-record buttons sharing the slots of play and record.
  btnSettings = AddButton(TAlign::alLeft, 0, "settings", "Show Settings Window",
                          &TFormLumatap::btnSettingsClick);
  btnInstrument = AddButton(TAlign::alLeft, 64, "instrument", "Show Instrument Window",
                            &TFormLumatap::btnInstrumentClick);
  btnReadme = AddButton(TAlign::alLeft, 128, "readme", "Show readme file for help",
                        &TFormLumatap::btnReadmeClick);
  btnSmooth = AddButton(TAlign::alRight, 1036, "smooth", "Set Smooth Frequency Range",
                        &TFormLumatap::btnSmoothClick);
  btnPiano = AddButton(TAlign::alRight, 1100, "piano", "Set Standard Tone Range",
                       &TFormLumatap::btnPianoClick);
  btnStopRecord = AddButton(TAlign::alRight, 1164, "stoprecord", "Stop Recording",
                            &TFormLumatap::btnStopRecordClick);
  btnRecord =
      AddButton(TAlign::alRight, 1164, "record", "Start Recording", &TFormLumatap::btnRecordClick);
  btnPlay = AddButton(TAlign::alRight, 1228, "play", "Start Playing", &TFormLumatap::btnPlayClick);
  btnPause =
      AddButton(TAlign::alRight, 1228, "pause", "Pause Playing", &TFormLumatap::btnPauseClick);
  btnStopRecord->hide();
  btnPause->hide();

  VolumeBar = new TPaintBox(Panel1);
  VolumeBar->Tag = 3800;
  VolumeBar->setToolTip("Volume");
  SetAlign(VolumeBar, TAlign::alClient);

  StatusBar1 = new TStatusBar(this);
  StatusBar1->resize(width(), Scale(kStatusBarHeight));
  StatusBar1->SetSimpleText(
      " First load or create an instrument in the instrument window, after adjust the settings "
      "and select the input mode, then you can play your instrument in this window.");
  SetAlign(StatusBar1, TAlign::alBottom);

  Timer1 = new QTimer(this);
  Timer1->setInterval(250);
  Timer1->start();

  SaveDialogWav.Title = "Save recorded file as";
  SaveDialogWav.Filter = "wave files|*.wav";
  SaveDialogWav.DefaultExt = ".wav";
  SaveDialogWav.Options = ofOverwritePrompt | ofHideReadOnly | ofPathMustExist |
                          ofNoReadOnlyReturn | ofEnableSizing | ofViewDetail;

  // Centred on the work area.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  AlignControls(this);

  FormCreate();
}

TFormLumatap::~TFormLumatap() { FormDestroy(); }

TImage* TFormLumatap::AddButton(TAlign align, int designedLeft, const char* picture,
                                const char* hint, void (TFormLumatap::*click)()) {
  auto* button = new TImage(Panel1);
  button->LoadPicture(QStringLiteral(":/toolbar/%1.svg").arg(picture));
  button->SetHint(hint);
  button->resize(Scale(kButtonWidth), Panel1->height() - 2);
  button->move(Scale(designedLeft), 0);
  button->OnClick = [this, click] { (this->*click)(); };
  SetAlign(button, align, false);
  return button;
}

void TFormLumatap::FormCreate() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  ResetFpu();
  InitWaves(4096);
  CheckTouchCapable();
  if (TouchCapable) {
    RegisterTouchWindow(Handle(), TWF_FINETOUCH | TWF_WANTPALM);
    TouchRegistered = true;
    TouchOffered = true;
    DisableGestures(Handle());
  }
  InitAudio();
  SaveDialogWav.InitialDir = GetWindowsSpecialDir(CSIDL_PERSONAL) + "LumatapSynth/";
}

void TFormLumatap::FormDestroy() {
  DoneAudio();
  if (TouchRegistered) UnregisterTouchWindow(Handle());
}

void TFormLumatap::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormShow();
}

void TFormLumatap::resizeEvent(QResizeEvent* event) {
  TForm::resizeEvent(event);
  FormResize();
}

void TFormLumatap::btnPlayClick() {
  btnPlay->hide();
  btnPause->show();
  ::SetLeft(btnPause, Width() - btnPause->width());
  FormInstrument->EndAllModes();
  Playing = true;
  StartAudio(1);
}

void TFormLumatap::btnPauseClick() {
  btnPause->hide();
  btnPlay->show();
  ::SetLeft(btnPlay, Width() - btnPlay->width());
  Playing = false;
  StopAudio();
}

void TFormLumatap::btnRecordClick() {
  if (!SaveDialogWav.Execute()) return;
  btnRecord->hide();
  btnStopRecord->show();
  ::SetLeft(btnStopRecord, Width() - 2 * btnRecord->width());
  StartRecording(SaveDialogWav.FileName);
}

void TFormLumatap::btnStopRecordClick() {
  StopRecording();
  btnStopRecord->hide();
  btnRecord->show();
  ::SetLeft(btnRecord, Width() - 2 * btnRecord->width());
}

void TFormLumatap::btnSmoothClick() {
  PianoMode = false;
  Invalidate();
}

void TFormLumatap::btnPianoClick() {
  PianoMode = true;
  Invalidate();
}

void TFormLumatap::btnSettingsClick() {
  if (FormSettings->Visible()) {
    FormSettings->hide();
    return;
  }
  FormSettings->SetLeft(Left() + 64);
  FormSettings->SetTop(Top() + 128);
  FormSettings->show();
}

void TFormLumatap::btnInstrumentClick() {
  if (FormInstrument->Visible()) {
    FormInstrument->hide();
    return;
  }
  FormInstrument->SetLeft(Left() + 128);
  FormInstrument->SetTop(Top() + 192);
  FormInstrument->show();
}

void TFormLumatap::btnReadmeClick() {
  std::string path;
  auto* registry = new TRegistry;
  registry->RootKey = HKEY_LOCAL_MACHINE;
  if (registry->OpenKeyReadOnly("\\Software\\QuorvelCam"))
    path = registry->ReadString("PathQuorvelCam") + "/readme.txt";
  else
    path = QCoreApplication::applicationDirPath().toStdString() + "/readme.txt";
  delete registry;
  ShellExecuteA(Handle(), nullptr, path.c_str(), "", "", SW_SHOWNORMAL);
}
