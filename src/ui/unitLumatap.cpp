#include "ui/unitLumatap.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QScreen>
#include <QTouchEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "capture/dsaux/enummediatype.h"
#include "capture/dsaux/sysdevenum.h"
#include "capture/dscapture/dscapture.h"
#include "engine/waves.h"
#include "platform/qt/folders.h"
#include "platform/qt/registry.h"
#include "platform/qt/shell.h"
#include "platform/qt/touch.h"
#include "platform/win/thread.h"
#include "rtl/filer.h"
#include "rtl/graphics.h"
#include "ui/unitInstrument.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"
#include "ui/widgets/dispatch.h"
#include "ui/widgets/numbers.h"

bool Playing = false;
bool TouchCapable = false;
bool TouchRegistered = false;
bool TouchOffered = false;
bool WebcamInUse = false;

int32_t NoteIdCounter = 0;
int32_t MouseNoteId = 0;
int32_t CamNoteId = 0;

bool VolumeDragging = false;

TFormLumatap* FormLumatap = nullptr;

namespace {
constexpr int kToolbarHeight = 68;
constexpr int kButtonWidth = 64;
constexpr int kStatusBarHeight = 36;

// The x87 unit back to its power-on state (precision, rounding, masked exceptions).
void ResetFpu() { __asm__ volatile("fninit"); }

// Every touch message reads at most this many contacts.
constexpr UINT kMaxTouchInputs = 10;
TOUCHINPUT TouchInputs[kMaxTouchInputs];
}  // namespace

std::string LumatapFolder() {
  const std::string documents = GetWindowsSpecialDir(CSIDL_PERSONAL);
  const std::string folder = documents + "LumatapSynth/";
  if (documents.empty()) return folder;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error) ? folder : documents;
}

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

  VolumeBar->OnPaint = [this](TCanvas&) { VolumeBarPaint(VolumeBar); };
  VolumeBar->OnMouseDown = [this](QMouseEvent* e) {
    VolumeBarMouseDown(VolumeBar, e->button(), e->modifiers(), PixelAt(e).x(), PixelAt(e).y());
  };
  VolumeBar->OnMouseMove = [this](QMouseEvent* e) {
    VolumeBarMouseMove(VolumeBar, e->modifiers(), PixelAt(e).x(), PixelAt(e).y());
  };
  VolumeBar->OnMouseUp = [this](QMouseEvent* e) {
    VolumeBarMouseUp(VolumeBar, e->button(), e->modifiers(), PixelAt(e).x(), PixelAt(e).y());
  };

  Timer1 = new QTimer(this);
  Timer1->setInterval(250);
  connect(Timer1, &QTimer::timeout, this, Guarded(this, [this] { Timer1Timer(Timer1); }));
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

  CreateCaptureComponents();
  FormCreate();
}

TFormLumatap::~TFormLumatap() {
  // The instrument editor is gone by now, and DoneAudio lets the windows handle their messages
  // while it waits for the device: a timer tick then must not reach for the editor.
  Timer1->stop();
  Dispatch(this, [this] { FormDestroy(); });  // the destroy handler's exception is shown
  // The capture components go with the window, after its destroy handler stopped capture.
  CaptureComponents.reset();
}

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
  SaveDialogWav.InitialDir = LumatapFolder();
}

void TFormLumatap::FormDestroy() {
  DoneAudio();
  if (TouchRegistered) UnregisterTouchWindow(Handle());
  if (WebcamInUse) {
    // Capture has stopped before the bitmaps go, so that no frame arrives for them. The camera
    // is released even when the stop reports a failure; that report is shown, not raised.
    try {
      StopWebcam();
    } catch (...) {
      Application.HandleException(this);
    }
    delete DevEnum;
    DevEnum = nullptr;
    delete MediaTypes;
    MediaTypes = nullptr;
    delete FrameA;
    FrameA = nullptr;
    delete FrameB;
    FrameB = nullptr;
  }
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
  StartAudio(amPlay);
  ReportNoSoundOutput();
  if (WebcamInUse) StartWebcam();
}

bool TFormLumatap::ReportNoSoundOutput() {
  if (!Playing || AudioOpenResult == MMSYSERR_NOERROR) return false;
  // Nothing will sound or be recorded: the player hears why instead of silence.
  const std::string why = WaveOutOpenError();
  SetStatus(QString::fromStdString("No sound output could be opened: " +
                                   (why.empty() ? std::string("no sound device") : why)));
  return true;
}

void TFormLumatap::btnPauseClick() {
  btnPause->hide();
  btnPlay->show();
  ::SetLeft(btnPlay, Width() - btnPlay->width());
  Playing = false;
  StopAudio();
  if (WebcamInUse) StopWebcam();
}

void TFormLumatap::btnRecordClick() {
  // While playing without a device, a recording would stay empty.
  if (ReportNoSoundOutput()) return;
  if (!SaveDialogWav.Execute()) return;
  btnRecord->hide();
  btnStopRecord->show();
  ::SetLeft(btnStopRecord, Width() - 2 * btnRecord->width());
  // A file that cannot be written has been reported; the record button comes back, so that
  // nobody performs believing they record.
  if (!StartRecording(SaveDialogWav.FileName)) {
    btnStopRecord->hide();
    btnRecord->show();
    ::SetLeft(btnRecord, Width() - 2 * btnRecord->width());
  }
}

void TFormLumatap::btnStopRecordClick() {
  const int fault = StopRecording();
  btnStopRecord->hide();
  btnRecord->show();
  ::SetLeft(btnRecord, Width() - 2 * btnRecord->width());
  if (fault != 0) ShowMessage(RecordingCutShortText(SaveDialogWav.FileName, fault));
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

void TFormLumatap::SetStatus(const QString& text) { StatusBar1->SetSimpleText(text); }

// --- Position to note ---------------------------------------------------------------------

int32_t TFormLumatap::NearestEnabledNote(float Pos) {
  const auto [lo, hi] = FormSettings->PlayingRange();
  float x = Pos * static_cast<float>(hi - lo) + static_cast<float>(lo);
  // Held within a note of the range before rounding, so that a position far outside it (or
  // not a number) cannot overflow the note arithmetic; every x beyond half a note past a
  // bound already gives that bound.
  x = std::fmin(std::fmax(x, static_cast<float>(lo - 1)), static_cast<float>(hi + 1));
  const int32_t r = RoundEven(x);
  int32_t n;
  // A nearest note beyond the range (a camera position a little past an edge) is never looked
  // up: the search below then settles on the bound.
  if (r >= lo && r <= hi && NoteEnabled[r]) {
    n = r;
  } else {
    int32_t step;
    if (x > static_cast<float>(r)) {
      n = r + 1;
      step = -2;
    } else {
      n = r - 1;
      step = 2;
    }
    n = std::clamp(n, lo, hi);
    // Candidates alternate about r at growing distance until one is enabled or hits a bound.
    while (lo < n && n < hi && !NoteEnabled[n]) {
      n += step;
      step = step < 0 ? 1 - step : -step - 1;
    }
    n = std::clamp(n, lo, hi);
  }
  return n;
}

float TFormLumatap::PositionToNoteFreq(float Pos) { return NoteFrequency[NearestEnabledNote(Pos)]; }

int32_t TFormLumatap::PositionToMidiNote(float Pos) { return NearestEnabledNote(Pos) + 21; }

TFormLumatap::TNotePoint TFormLumatap::MapPoint(int X, int Y) {
  const int32_t W = width(), T = Panel1->height(), B = StatusBar1->y();
  const auto [lo, hi] = FormSettings->PlayingRange();
  TNotePoint p{};
  const float Pos = static_cast<float>(static_cast<double>(X) / (W - 1));
  // Only the pitch the current mode plays is worked out: a MIDI note, or a frequency.
  if (MidiMode) {
    p.MidiNote = PositionToMidiNote(Pos);
  } else if (PianoMode) {
    p.Frequency = PositionToNoteFreq(Pos);
  } else {
    double a = static_cast<double>((hi - lo) * X) / (W - 1);
    a = a - 48;
    a = lo + a;
    a = a * 0.6931471805599453 * 0.08333333333333333;
    p.Frequency = static_cast<float>(std::exp(a) * 440);
  }
  p.Volume = static_cast<float>(static_cast<double>(B - 1 - Y) / (B - T - 1));
  p.Velocity = RoundEven(static_cast<double>(127 * (B - 1 - Y)) / (B - T - 1));
  return p;
}

void TFormLumatap::NewMouseNoteId() {
  NoteIdCounter = NoteIdCounter + 1;
  MouseNoteId = NoteIdCounter;
  if (CamNoteId == MouseNoteId) MouseNoteId = CamNoteId - 2;
}

// --- Mouse ---------------------------------------------------------------------------------

void TFormLumatap::mousePressEvent(QMouseEvent* event) {
  const QPoint p = PixelAt(event);
  FormMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
}

void TFormLumatap::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = PixelAt(event);
  FormMouseMove(this, event->modifiers(), p.x(), p.y());
}

void TFormLumatap::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = PixelAt(event);
  FormMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
}

void TFormLumatap::SurfaceDown(int32_t OffId, int32_t Id, const TNotePoint& p) {
  if (MidiMode) {
    FormInstrument->MidiNoteOff(static_cast<uint32_t>(OffId));
    FormInstrument->MidiNoteOn(static_cast<uint32_t>(Id), static_cast<uint8_t>(p.MidiNote),
                               static_cast<uint8_t>(p.Velocity));
  } else {
    NoteOff(OffId);
    NoteOn(Id, p.Frequency, p.Volume);
  }
}

void TFormLumatap::SurfaceMove(int32_t Id, const TNotePoint& p) {
  if (MidiMode)
    FormInstrument->MidiNoteChange(static_cast<uint32_t>(Id), static_cast<uint8_t>(p.MidiNote),
                                   static_cast<uint8_t>(p.Velocity));
  else
    NoteMove(Id, p.Frequency, p.Volume);
}

void TFormLumatap::SurfaceUp(int32_t Id) {
  if (MidiMode)
    FormInstrument->MidiNoteOff(static_cast<uint32_t>(Id));
  else
    NoteOff(Id);
}

QString TFormLumatap::MouseText(const TNotePoint& p) {
  if (MidiMode) return QStringLiteral("Midi %1 at %2").arg(p.MidiNote).arg(p.Velocity);
  return "Note: " + F2(p.Frequency) + "Hz at volume: " + F3(p.Volume);
}

QString TFormLumatap::TouchText(const TNotePoint& p) {
  if (MidiMode) return QStringLiteral(" midi %1 at %2").arg(p.MidiNote).arg(p.Velocity);
  return " " + F2(p.Frequency) + "Hz at " + F3(p.Volume);
}

void TFormLumatap::FormMouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
  if (!Playing || TouchRegistered) return;
  const TNotePoint p = MapPoint(X, Y);
  // The previous mouse note is released before the new one takes the next id.
  const int32_t previous = MouseNoteId;
  NewMouseNoteId();
  SurfaceDown(previous, MouseNoteId, p);
  MouseIsDown = true;
  SetStatus(MouseText(p));
}

void TFormLumatap::FormMouseMove(QObject*, Qt::KeyboardModifiers, int X, int Y) {
  if (!MouseIsDown) return;
  // The pointer may leave the playing area while the button is held.
  X = std::clamp(X, 0, width() - 1);
  Y = std::clamp(Y, Panel1->height(), StatusBar1->y() - 1);
  const TNotePoint p = MapPoint(X, Y);
  // A sounding note's line is shown before the move waits for a running block.
  if (!MidiMode) SetStatus(MouseText(p));
  SurfaceMove(MouseNoteId, p);
  if (MidiMode) SetStatus(MouseText(p));
}

void TFormLumatap::FormMouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  if (!MouseIsDown) return;
  SurfaceUp(MouseNoteId);
  SetStatus("Note released");
  MouseIsDown = false;
}

// --- Touch ---------------------------------------------------------------------------------

bool TFormLumatap::FormEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel: {
      auto* touch = static_cast<QTouchEvent*>(event);
      // A touch that begins on the toolbar or the status bar belongs to them: left unhandled,
      // it reaches the buttons and the volume bar as mouse input.
      if (event->type() == QEvent::TouchBegin && !touch->points().isEmpty() &&
          childAt(touch->points().first().position().toPoint())) {
        event->ignore();
        return false;
      }
      TMessage message;
      if (TouchEventToMessage(Handle(), *touch, message)) WMTouch(message);
      event->accept();
      return true;
    }
    default:
      return TForm::FormEvent(event);
  }
}

void TFormLumatap::WMTouch(TMessage& Msg) {
  const auto input = reinterpret_cast<HTOUCHINPUT>(Msg.LParam);
  // The handle is closed whatever happens to the contacts.
  struct CloseInput {
    HTOUCHINPUT input;
    ~CloseInput() { CloseTouchInputHandle(input); }
  } close{input};

  const UINT count = std::min(static_cast<UINT>(Msg.WParam), kMaxTouchInputs);
  GetTouchInputInfo(input, count, TouchInputs, sizeof(TOUCHINPUT));
  if (!Playing || !TouchRegistered) return;

  QString status = "Playing:";
  SetStatus(status);
  const int32_t W = width(), T = Panel1->height(), B = StatusBar1->y();
  for (UINT i = 0; i < count; ++i) {
    const TOUCHINPUT& contact = TouchInputs[i];
    POINT point{contact.x / 100, contact.y / 100};
    PhysicalToLogicalPoint(Handle(), &point);
    ScreenToClient(Handle(), &point);
    const int X = std::clamp<int>(point.x, 0, W - 1);
    const int Y = std::clamp<int>(point.y, T, B - 1);
    const TNotePoint p = MapPoint(X, Y);
    const auto id = static_cast<int32_t>(contact.dwID);
    if (contact.dwFlags & TOUCHEVENTF_DOWN) {
      SurfaceDown(id, id, p);
      status += TouchText(p);
    } else if (contact.dwFlags & TOUCHEVENTF_MOVE) {
      SurfaceMove(id, p);
      status += TouchText(p);
    } else if (contact.dwFlags & TOUCHEVENTF_UP) {
      SurfaceUp(id);
      // In MIDI mode a lifted finger leaves the line as it is.
      if (MidiMode) continue;
      status += " " + F2(p.Frequency) + "Hz released";
    } else {
      continue;
    }
    SetStatus(status);
  }
}

// --- Playing surface, volume bar, timer ----------------------------------------------------

void TFormLumatap::FormPaint(QObject*) {
  TCanvas& canvas = Canvas();
  const int32_t W = width(), H = height();
  if (PianoMode) {
    const auto [lo, hi] = FormSettings->PlayingRange();
    const float w = static_cast<float>(static_cast<double>(W) / (hi - lo));
    float mid = 0;
    for (int32_t n = lo; n <= hi; ++n) {
      canvas.Brush.Color = KeyColor[n];
      const int32_t left = RoundEven(mid - w * 0.5f);
      const int32_t right = RoundEven(mid + w * 0.5f);
      canvas.FillRect(left, 0, right, H);
      canvas.Pen.Color = KeyColor[n] == clWhite ? 0xC0C0C0 : clBlack;
      canvas.Rectangle(left, 0, right, H);
      mid = mid + w;
    }
  } else {
    canvas.Brush.Style = TBrushStyle::bsCross;
    canvas.Brush.Color = clBlack;
    canvas.FillRect(0, 0, W, H);
    canvas.Brush.Style = TBrushStyle::bsSolid;
  }
  MarkerShown = false;
}

void TFormLumatap::VolumeBarMouseDown(QObject* Sender, Qt::MouseButton, Qt::KeyboardModifiers Shift,
                                      int X, int Y) {
  VolumeDragging = true;
  VolumeBarMouseMove(Sender, Shift, X, Y);
}

void TFormLumatap::VolumeBarMouseMove(QObject*, Qt::KeyboardModifiers, int X, int) {
  if (!VolumeDragging) return;
  const int32_t BW = VolumeBar->width();
  // Past the right end counts as the full width, so that the bar reaches 65535.
  if (X < 0) X = 0;
  if (X > BW - 1) X = BW;
  VolumeBar->Tag = RoundEven(static_cast<double>(X * 65535) / BW);
  const int32_t tag = VolumeBar->Tag;
  if (MidiMode) {
    FormInstrument->MidiVolume = static_cast<uint32_t>(tag) | (static_cast<uint32_t>(tag) << 16);
  } else {
    InstrumentVolume.Fill(static_cast<float>(tag * 3.999938963912413 * 0.000244140625));
  }
  SetStatus("Volume: " + F3(tag * 1.5259021896696422e-05));
  VolumeBar->update();
}

void TFormLumatap::VolumeBarMouseUp(QObject* Sender, Qt::MouseButton, Qt::KeyboardModifiers Shift,
                                    int X, int Y) {
  VolumeBarMouseMove(Sender, Shift, X, Y);
  VolumeDragging = false;
}

void TFormLumatap::VolumeBarPaint(QObject*) {
  TCanvas& canvas = VolumeBar->Canvas();
  const int32_t BW = VolumeBar->width(), BH = VolumeBar->height();
  const int32_t p = static_cast<int32_t>(static_cast<int64_t>(BW - 1) * VolumeBar->Tag / 65535);
  canvas.Pen.Color = 0x008000;
  canvas.Brush.Color = 0x008000;
  canvas.Rectangle(0, 0, p, BH);
  canvas.Brush.Color = clWhite;
  canvas.Pen.Color = clWhite;
  canvas.Rectangle(p, 0, BW, BH);
  const float volume = InstrumentVolume[0];
  if (!MidiMode && ClipVolume.load(std::memory_order_relaxed) < volume) {
    canvas.Pen.Color = 0x0000FF;
    const float clip = ClipVolume.load(std::memory_order_relaxed);
    const int32_t x =
        RoundEven(static_cast<float>(BW - 1) * clip * 4096.0f * 3.814813680946827e-06f);
    if (x > 1) canvas.Line(x, 0, x, BH);
    // Each clipping report is drawn once.
    ClipVolume.store(InstrumentVolume[0], std::memory_order_relaxed);
  }
}

void TFormLumatap::Timer1Timer(QObject*) {
  // A recording that the disk cut short ends now, and the player is told at once.
  if (Recording.load() && RecordingFault.load() != 0) btnStopRecordClick();
  if (MidiMode) {
    const int32_t m = static_cast<int32_t>(FormInstrument->MidiVolume & 0xFFFF);
    if (m != VolumeBar->Tag) {
      VolumeBar->Tag = m;
      VolumeBar->update();
    }
    return;
  }
  if (ClipVolume.load(std::memory_order_relaxed) <= 0.01) {
    ClipVolume.store(InstrumentVolume[0], std::memory_order_relaxed);
    VolumeBar->update();
  }
  const int32_t t =
      RoundEven(static_cast<double>(InstrumentVolume[0] * 4096.0f) * 0.2500038148136845);
  if (t != VolumeBar->Tag || ClipVolume.load(std::memory_order_relaxed) < InstrumentVolume[0]) {
    VolumeBar->Tag = t;
    VolumeBar->update();
  }
}

// --- Capture components ----------------------------------------------------------------------

namespace {

// The stored values of the capture components, as the filer reads them: a property list per
// object (name, binary tag, 32-bit length, bytes; an empty name ends it), in the stored order:
// vFilterGraph, vSampleGrabber with its MediaType, vFilterSource with its BaseFilter. Only the
// two raw-byte blocks are binary; the other stored values are set beside the reading below.
constexpr uint8_t kStoredCaptureComponents[] = {
    0,  // vFilterGraph
    0,  // vSampleGrabber
    // vSampleGrabber.MediaType: the 72-byte media-type record of video, RGB24, VideoInfo with
    // fixed-size samples, sample size 1 and no format block.
    4, 'd', 'a', 't', 'a', 0x0A, 72, 0, 0, 0,
    // majortype: MEDIATYPE_Video
    0x76, 0x69, 0x64, 0x73, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71,
    // subtype: MEDIASUBTYPE_RGB24
    0x7D, 0xEB, 0x36, 0xE4, 0x4F, 0x52, 0xCE, 0x11, 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70,
    0xFF, 0xFF, 0xFF, 0xFF,  // bFixedSizeSamples
    0x00, 0x00, 0x00, 0x00,  // bTemporalCompression
    0x01, 0x00, 0x00, 0x00,  // lSampleSize
    // formattype: FORMAT_VideoInfo
    0x80, 0x9F, 0x58, 0x05, 0x56, 0xC3, 0xCE, 0x11, 0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A,
    0x00, 0x00, 0x00, 0x00,  // pUnk
    0x00, 0x00, 0x00, 0x00,  // cbFormat
    0x00, 0x00, 0x00, 0x00,  // pbFormat
    0,
    0,  // vFilterSource
    // vFilterSource.BaseFilter: the empty moniker block (length 0).
    4, 'd', 'a', 't', 'a', 0x0A, 4, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

void TFormLumatap::CreateCaptureComponents() {
  CaptureComponents = std::make_unique<rtl::TComponent>(nullptr);
  CaptureComponents->SetName("FormLumatap");
  vFilterGraph = new TFilterGraph(CaptureComponents.get());
  vFilterGraph->SetName("vFilterGraph");
  vSampleGrabber = new TSampleGrabber(CaptureComponents.get());
  vSampleGrabber->SetName("vSampleGrabber");
  vFilterSource = new TFilter(CaptureComponents.get());
  vFilterSource->SetName("vFilterSource");

  rtl::TMemoryStream stored;
  stored.WriteBuffer(kStoredCaptureComponents, sizeof kStoredCaptureComponents);
  stored.SetPosition(0);
  rtl::TReader reader(stored);
  reader.ReadComponent(*vFilterGraph);
  vFilterGraph->SetGraphEdit(true);
  vFilterGraph->SetLinearVolume(true);
  reader.ReadComponent(*vSampleGrabber);
  reader.ReadProperties(*vSampleGrabber->MediaType());
  vSampleGrabber->OnBuffer = [this](rtl::TComponent* sender, double SampleTime, BYTE* pBuffer,
                                    LONG BufferLen) {
    vSampleGrabberBuffer(sender, SampleTime, pBuffer, BufferLen);
  };
  reader.ReadComponent(*vFilterSource);
  reader.ReadProperties(*vFilterSource->BaseFilter());
  // References between components are fixed up once all of them have been read.
  vSampleGrabber->SetFilterGraph(vFilterGraph);
  vFilterSource->SetFilterGraph(vFilterGraph);
  reader.EndLoading();
}
