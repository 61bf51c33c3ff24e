#include "ui/unitInstrument.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/output.h"
#include "engine/recording.h"
#include "engine/waves.h"
#include "platform/qt/folders.h"
#include "ui/unitLumatap.h"
#include "ui/widgets/application.h"
#include "ui/widgets/dispatch.h"
#include "ui/widgets/numbers.h"

TRelaxed<bool> MidiMode{false};

TFormInstrument* FormInstrument = nullptr;

namespace {

constexpr int kToolbarHeight = 70;
constexpr int kButtonSize = 64;
constexpr int kStatusBarHeight = 36;
constexpr int kToolBevelWidth = 2;
constexpr int kMidiFontHeight = 30;
constexpr int kMidiControlGap = 8;
constexpr int kSpinEditWidth = 100;
constexpr int kComboBoxMidiWidth = 820;

constexpr TColor clGreen = 0x008000;
constexpr TColor clRed = 0x0000FF;

// Anchor of the morph tools: the x of the band's centre, and the y of the previous volume event.
int32_t MorphX = 0;
int32_t MorphY = 0;

// Rows of a bar far beyond the window: amplitudes are not limited, but a bar top only matters
// where it lies on the canvas, and a line stays short when its ends lie just off the canvas.
int32_t BarRows(float product) {
  if (!(product == product)) return 0;
  return RoundEven(std::clamp(product, -1.0e9f, 1.0e9f));
}

}  // namespace

TDropDownComboBox::TDropDownComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  // A typed text is only a text: Return must not add it to the list.
  setInsertPolicy(QComboBox::NoInsert);
  connect(this, &QComboBox::activated, this, [this] {
    typed_ = false;
    if (OnChange) Dispatch(this, OnChange);
  });
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
    typed_ = true;
    if (OnChange) Dispatch(this, OnChange);
  });
}

void TDropDownComboBox::ClearItems() {
  const QString text = currentText();
  clear();
  setEditText(text);
}

void TDropDownComboBox::AddItem(const QString& item) {
  const QString text = currentText();
  const bool none = currentIndex() < 0;
  addItem(item);
  if (none && currentIndex() >= 0) {
    setCurrentIndex(-1);
    setEditText(text);
  }
}

TFormInstrument::TFormInstrument(QWidget* parent)
    : TForm(parent,
            Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setWindowTitle("Lumatap Synth Instrument");
  SetColor(Qt::white);
  SetDesignedSize(1300, 651);
  SetDesignedConstraints(640, 480, 16000, 16000);

  Panel1 = new TPanel(this);
  Panel1->SetColor(QGuiApplication::palette().color(QPalette::Highlight));
  Panel1->resize(width(), Scale(kToolbarHeight));
  SetAlign(Panel1, TAlign::alTop);

  btnImport = AddImage(Panel1, "import", "Load Instrument or Import Wav file");
  btnImport->move(0, 0);
  SetAlign(btnImport, TAlign::alLeft, false);
  btnSave = AddImage(Panel1, "save", "Save Instrument");
  btnSave->move(Scale(kButtonSize), 0);
  SetAlign(btnSave, TAlign::alLeft, false);

  const int panelWidth = kButtonSize + 2 * kToolBevelWidth;
  PanelDrawTool = AddToolPanel(128, TBevelCut::bvSpace, "drawtool",
                               "Draw Frequencies Tool, Double Click to Clear", &btnDrawTool);
  PanelBaseFreq = AddToolPanel(128 + panelWidth, TBevelCut::bvSpace, "basefreq",
                               "Select Instrument Main Frequency", &btnBaseFreq);
  PanelMorphV = AddToolPanel(128 + 2 * panelWidth, TBevelCut::bvSpace, "morphv",
                             "Adjust volume of frequencies", &btnMorphV);
  PanelMorphH = AddToolPanel(128 + 3 * panelWidth, TBevelCut::bvSpace, "morphh",
                             "Adjust Frequency bands", &btnMorphH);
  PanelMidi = AddToolPanel(128 + 4 * panelWidth, TBevelCut::bvNone, "midi",
                           "Select Midi Instrument", &btnMidi);
  btnDrawTool->OnClick = [this] { btnDrawToolClick(); };
  btnDrawTool->OnDblClick = [this] { btnDrawToolDblClick(); };
  btnBaseFreq->OnClick = [this] { btnBaseFreqClick(); };
  btnMorphV->OnClick = [this] { btnMorphVClick(); };
  btnMorphH->OnClick = [this] { btnMorphHClick(); };
  btnMidi->OnClick = [this] { btnMidiClick(); };
  btnImport->OnClick = [this] { btnImportClick(); };
  btnSave->OnClick = [this] { btnSaveClick(); };
  MidiSlots.Send = [this](DWORD Msg) { MidiSend(Msg); };
  DesignFileDialogs();

  Panel2 = new TPanel(Panel1);
  SetAlign(Panel2, TAlign::alClient, false);
  Panel2->hide();

  QFont midiFont = font();
  midiFont.setPixelSize(Scale(kMidiFontHeight));
  SpinEditChannel = new QSpinBox(Panel2);
  SpinEditChannel->setFont(midiFont);
  SpinEditChannel->setRange(1, 16);
  SpinEditChannel->setValue(1);
  SpinEditChannel->setToolTip("Midi Channel");
  ComboBoxMidi = new TDropDownComboBox(Panel2);
  ComboBoxMidi->setFont(midiFont);
  ComboBoxMidi->setEditText("Select midi output device or midi loop port");
  ComboBoxMidi->lineEdit()->setCursorPosition(0);
  // Both centred in the toolbar's height, the device box right of the channel.
  const int controlHeight =
      std::max(SpinEditChannel->sizeHint().height(), ComboBoxMidi->sizeHint().height());
  const int top = (Panel1->height() - controlHeight) / 2;
  SpinEditChannel->setGeometry(Scale(kMidiControlGap), top, Scale(kSpinEditWidth), controlHeight);
  ComboBoxMidi->setGeometry(SpinEditChannel->geometry().right() + 1 + Scale(kMidiControlGap), top,
                            Scale(kComboBoxMidiWidth), controlHeight);
  connect(SpinEditChannel, &QSpinBox::valueChanged, this,
          Guarded(this, [this] { SpinEditChannelChange(); }));
  ComboBoxMidi->OnChange = [this] { ComboBoxMidiChange(); };

  StatusBar1 = new TStatusBar(this);
  StatusBar1->resize(width(), Scale(kStatusBarHeight));
  StatusBar1->SetSimpleText(
      " Load or design an instrument by drawing the frequencies and setting the main frequency "
      "of your instrument.");
  SetAlign(StatusBar1, TAlign::alBottom);

  AlignControls(Panel1);
  AlignControls(this);

  FormCreate();
}

TFormInstrument::~TFormInstrument() {
  Dispatch(this, [this] { FormDestroy(); });  // the destroy handler's exception is shown
}

TImage* TFormInstrument::AddImage(QWidget* parent, const char* picture, const char* hint) {
  auto* image = new TImage(parent);
  image->LoadPicture(QStringLiteral(":/toolbar/%1.svg").arg(picture));
  image->SetHint(hint);
  image->resize(Scale(kButtonSize), Scale(kButtonSize));
  return image;
}

TPanel* TFormInstrument::AddToolPanel(int designedLeft, TBevelCut bevel, const char* picture,
                                      const char* hint, TImage** button) {
  auto* panel = new TPanel(Panel1);
  panel->SetBevelWidth(kToolBevelWidth);
  panel->SetBevelOuter(bevel);
  panel->resize(Scale(kButtonSize) + 2 * kToolBevelWidth, Panel1->height());
  panel->move(Scale(designedLeft), 0);
  SetAlign(panel, TAlign::alLeft, false);
  *button = AddImage(panel, picture, hint);
  (*button)->move(kToolBevelWidth, (Panel1->height() - Scale(kButtonSize)) / 2);
  return panel;
}

void TFormInstrument::SetStatus(const QString& text) { StatusBar1->SetSimpleText(text); }

int TFormInstrument::P() const { return Panel1->height(); }
int TFormInstrument::T() const { return StatusBar1->y(); }

int32_t TFormInstrument::BinAt(int64_t x) const {
  return static_cast<int32_t>(RoundEven(static_cast<double>(x * 4095) / (W() - 1)));
}

float TFormInstrument::AmpAt(int y) const {
  return static_cast<float>(static_cast<double>(T() - 1 - y) / (T() - 1 - P()));
}

// --- Tools -------------------------------------------------------------------------------

void TFormInstrument::btnDrawToolClick() {
  EndBaseFreqMode();
  EndMorphVMode();
  EndMorphHMode();
  if (!DrawToolMode) {
    DrawToolMode = true;
    if (!Playing) StartAudio(amPreview);
    PanelDrawTool->SetBevelOuter(TBevelCut::bvLowered);
    SetStatus("Please draw the instrument volumes for each frequency.");
  } else {
    DrawToolMode = false;
    PanelDrawTool->SetBevelOuter(TBevelCut::bvSpace);
    SetStatus("Instrument drawing is ended.");
    if (!Playing) StopAudio();
  }
}

void TFormInstrument::btnDrawToolDblClick() {
  ClearSpectrum();
  SetStatus("Instrument has been cleared.");
  Invalidate();
}

void TFormInstrument::btnBaseFreqClick() {
  EndMorphVMode();
  EndMorphHMode();
  EndDrawToolMode();
  if (!BaseFreqMode) {
    BaseFreqMode = true;
    PanelBaseFreq->SetBevelOuter(TBevelCut::bvLowered);
    SetStatus("Please point to the instrument main frequency.");
    if (!Playing) StopAudio();
  } else {
    BaseFreqMode = false;
    PanelBaseFreq->SetBevelOuter(TBevelCut::bvSpace);
    SetStatus("Instrument main frequency selection is finallized. Main frequency at: " +
              F2(BinFrequency[MainBin.load(std::memory_order_relaxed)]) + "Hz");
    if (!Playing) StopAudio();
  }
}

void TFormInstrument::btnMorphHClick() {
  EndBaseFreqMode();
  EndMorphVMode();
  EndDrawToolMode();
  if (!MorphHMode) {
    MorphHMode = true;
    if (!Playing) StartAudio(amPreview);
    PanelMorphH->SetBevelOuter(TBevelCut::bvLowered);
    SetStatus(
        "Frequency band change mode started. You can drag bands to higher and lower "
        "freqencies.");
  } else {
    MorphHMode = false;
    PanelMorphH->SetBevelOuter(TBevelCut::bvSpace);
    SetStatus("Frequency band change mode ended.");
    if (!Playing) StopAudio();
  }
}

void TFormInstrument::btnMorphVClick() {
  EndBaseFreqMode();
  EndMorphHMode();
  EndDrawToolMode();
  if (!MorphVMode) {
    MorphVMode = true;
    if (!Playing) StartAudio(amPreview);
    PanelMorphV->SetBevelOuter(TBevelCut::bvLowered);
    SetStatus(
        "Frequency volume change mode started. You can drag bands to higher and lower "
        "volumes.");
  } else {
    MorphVMode = false;
    PanelMorphV->SetBevelOuter(TBevelCut::bvSpace);
    SetStatus("Frequency volume change mode ended.");
    if (!Playing) StopAudio();
  }
}

void TFormInstrument::EndDrawToolMode() {
  DrawToolMode = false;
  PanelDrawTool->SetBevelOuter(TBevelCut::bvSpace);
}

void TFormInstrument::EndBaseFreqMode() {
  BaseFreqMode = false;
  PanelBaseFreq->SetBevelOuter(TBevelCut::bvSpace);
}

void TFormInstrument::EndMorphVMode() {
  MorphVMode = false;
  PanelMorphV->SetBevelOuter(TBevelCut::bvSpace);
}

void TFormInstrument::EndMorphHMode() {
  MorphHMode = false;
  PanelMorphH->SetBevelOuter(TBevelCut::bvSpace);
}

void TFormInstrument::EndAllModes() {
  EndBaseFreqMode();
  EndMorphVMode();
  EndMorphHMode();
  EndDrawToolMode();
  if (!Playing) StopAudio();
}

// --- Mouse -------------------------------------------------------------------------------

void TFormInstrument::mousePressEvent(QMouseEvent* event) {
  const QPoint p = PixelAt(event);
  FormMouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TFormInstrument::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = PixelAt(event);
  FormMouseMove(event->modifiers(), p.x(), p.y());
}

void TFormInstrument::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = PixelAt(event);
  FormMouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

void TFormInstrument::FormMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                                    int Y) {
  EditMouseDown(Button, Shift, X, Y);
}

void TFormInstrument::FormMouseMove(Qt::KeyboardModifiers Shift, int X, int Y) {
  EditMouseMove(Shift, X, Y);
}

void TFormInstrument::FormMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                                  int Y) {
  EditMouseUp(Button, Shift, X, Y);
}

void TFormInstrument::ColumnStroke(int X, int Y) {
  TCanvas& canvas = Canvas();
  canvas.Pen.Color = clGreen;
  canvas.Line(X, T(), X, Y);
  canvas.Pen.Color = clWhite;
  canvas.Line(X, Y - 1, X, 0);
}

void TFormInstrument::EditMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
  X = std::clamp(X, 0, W() - 1);
  Y = std::clamp(Y, 0, T() - 1);
  if (DrawToolMode) {
    LastDrawBin = BinAt(X);
    const float a = AmpAt(Y);
    SetBinAmplitude(LastDrawBin, a);
    SetStatus("Freq: " + F2(BinFrequency[LastDrawBin]) + "Hz  Volume: " + F3(a));
    ColumnStroke(X, Y);
    MouseIsDown = true;
    Invalidate();
  } else if (BaseFreqMode) {
    const int32_t bin = BinAt(X);
    MainBin.store(bin, std::memory_order_relaxed);
    SetStatus("Main frequency at: " + F2(BinFrequency[bin]) + "Hz");
    MouseIsDown = true;
    Invalidate();
  } else if (MorphHMode || MorphVMode) {
    MorphX = X;
    MorphY = Y;
    MouseIsDown = true;
  }
}

void TFormInstrument::EditMouseMove(Qt::KeyboardModifiers, int X, int Y) {
  if (!MouseIsDown) return;
  if (DrawToolMode) {
    X = std::clamp(X, 0, W() - 1);
    Y = std::clamp(Y, 0, T() - 1);
    DrawBin = BinAt(X);
    const float a = AmpAt(Y);
    SetBinAmplitude(DrawBin, a);
    SetStatus("Freq: " + F2(BinFrequency[DrawBin]) + "Hz  Volume: " + F3(a));
    ColumnStroke(X, Y);
    if (DrawBin != LastDrawBin) {
      DrawLine(LastDrawBin, DrawBin);
      // Column of a bin: the nearest column whose bin it is, as the painters round.
      const double r = 1.0 / 4095.0;
      const int32_t lastColumn =
          static_cast<int32_t>(RoundEven(static_cast<double>((W() - 1) * LastDrawBin) * r));
      if (DrawBin < LastDrawBin)
        PaintSpectrumColumns(X + 1, lastColumn);
      else
        PaintSpectrumColumns(lastColumn, X - 1);
    }
    LastDrawBin = DrawBin;
  } else if (BaseFreqMode) {
    X = std::clamp(X, 0, W() - 1);
    const int32_t bin = BinAt(X);
    MainBin.store(bin, std::memory_order_relaxed);
    SetStatus("Main frequency at: " + F2(BinFrequency[bin]) + "Hz");
    Invalidate();
  } else if (MorphVMode) {
    MorphVolume(BinAt(MorphX), MorphVolumeFactor(MorphY, Y, T() - 1 - P()));
    MorphY = Y;
    Invalidate();
  } else if (MorphHMode) {
    ShiftBand(BinAt(MorphX), BinAt(X));
    MorphX = X;
    Invalidate();
  }
}

void TFormInstrument::EditMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  if (!MouseIsDown) return;
  MouseIsDown = false;
  Invalidate();
}

// --- Painting ----------------------------------------------------------------------------

void TFormInstrument::FormPaint() { PaintSpectrum(0, W() - 1); }

void TFormInstrument::ColumnBar(int32_t x, float q, int32_t& bin, int32_t& top) {
  const int32_t t = T();
  const float h = static_cast<float>(t - P());
  bin = std::clamp(RoundEven(q * static_cast<float>(x)), 0, 4095);
  top = t - BarRows(h * BinAmplitude(bin));
  // A silent column shows the first sounding bin among the next ones that share it.
  for (int k = 1; k <= 5 && top == t && q > static_cast<float>(k) && bin + k <= 4095; ++k)
    top = t - BarRows(h * BinAmplitude(bin + k));
  // Ends just off the canvas paint the same pixels as ends far beyond it.
  top = std::clamp(top, -1, Canvas().Image().height() + 1);
}

void TFormInstrument::PaintSpectrum(int32_t FirstColumn, int32_t LastColumn) {
  TCanvas& canvas = Canvas();
  const int32_t t = T();
  const float q = static_cast<float>(4095.0 / (W() - 1));
  const int32_t mainBin = MainBin.load(std::memory_order_relaxed);
  bool redDone = false;
  for (int32_t x = FirstColumn; x <= LastColumn; ++x) {
    int32_t bin, top;
    ColumnBar(x, q, bin, top);
    const bool red = !redDone && bin >= mainBin;
    redDone = redDone || red;
    canvas.Pen.Color = red ? clRed : clGreen;
    canvas.Line(x, t, x, top);
  }
}

void TFormInstrument::PaintSpectrumColumns(int32_t FirstColumn, int32_t LastColumn) {
  TCanvas& canvas = Canvas();
  const int32_t t = T(), p = P();
  const float q = static_cast<float>(4095.0 / (W() - 1));
  const int32_t mainBin = MainBin.load(std::memory_order_relaxed);
  for (int32_t x = FirstColumn; x <= LastColumn; ++x) {
    int32_t bin, top;
    ColumnBar(x, q, bin, top);
    canvas.Pen.Color = std::fabs(static_cast<float>(bin - mainBin)) < q ? clRed : clGreen;
    canvas.Line(x, t, x, top);
    canvas.Pen.Color = clWhite;
    canvas.Line(x, top + 1, x, p);
  }
}

// --- Lifecycle ---------------------------------------------------------------------------

void TFormInstrument::FormCreate() {
  const std::string folder = LumatapFolder();
  SaveDialog1.InitialDir = folder;
  OpenDialog1.InitialDir = folder;
}

void TFormInstrument::closeEvent(QCloseEvent* event) {
  TCloseAction action = TCloseAction::caHide;
  FormClose(this, action);
  if (action == TCloseAction::caNone)
    event->ignore();
  else
    TForm::closeEvent(event);  // the window lives for the whole run: closing hides it
}

void TFormInstrument::FormClose(QObject*, TCloseAction& CloseAction) {
  CloseAction = TCloseAction::caHide;
}

void TFormInstrument::FormDestroy() {
  if (!MidiMode) return;
  MidiAllNotesOff();
  if (MidiOut) {
    midiOutReset(MidiOut);
    midiOutClose(MidiOut);
    MidiOut = nullptr;
  }
}

// --- MIDI mode -----------------------------------------------------------------------------

void TFormInstrument::btnMidiClick() {
  EndAllModes();
  const UINT n = midiOutGetNumDevs();
  if (n == 0) {
    ShowMessage("No Midi output ports found, please install a Midi Loop driver!");
    return;
  }
  MidiMode = true;
  btnImport->hide();
  btnSave->hide();
  PanelDrawTool->hide();
  PanelBaseFreq->hide();
  PanelMorphV->hide();
  PanelMorphH->hide();
  // MIDI mode ends a recording of the main window's as its stop button does: the file is
  // finished, the record button comes back, and a recording the disk cut short is told.
  if (Recording.load()) FormLumatap->btnStopRecordClick();
  StopAudio();
  Panel2->show();
  MidiChannel = 0;
  {
    // The box shows the channel the notes now go to; the notes still held keep theirs.
    const QSignalBlocker quiet(SpinEditChannel);
    SpinEditChannel->setValue(1);
  }
  FormLumatap->PianoMode = true;
  FormLumatap->btnSmooth->hide();
  FormLumatap->btnPiano->show();
  FormLumatap->Invalidate();
  SetStatus("Started Midi mode, to connect software syntesizers use a Midi loop port driver.");

  if (static_cast<UINT>(ComboBoxMidi->count()) != n) {
    ComboBoxMidi->ClearItems();
    for (UINT i = 0; i < n; ++i) {
      MIDIOUTCAPSA caps{};
      midiOutGetDevCapsA(i, &caps, sizeof caps);
      ComboBoxMidi->AddItem(QString::fromUtf8(caps.szPname, strnlen(caps.szPname, MAXPNAMELEN)));
    }
    // The numbers of the devices may have moved: the user picks the port again.
    if (MidiOut) {
      midiOutReset(MidiOut);
      midiOutClose(MidiOut);
      MidiOut = nullptr;
    }
  }
}

void TFormInstrument::ComboBoxMidiChange() {
  if (MidiOut) {
    midiOutReset(MidiOut);
    midiOutClose(MidiOut);
    MidiOut = nullptr;
  }
  MidiDevice = ComboBoxMidi->ItemIndex();
  // Device -1 is the mapper. A failed open leaves MidiOut empty and the notes unsent.
  midiOutOpen(&MidiOut, static_cast<UINT>(MidiDevice), 0, 0, CALLBACK_NULL);
  MidiVolume = 0xFFFFFFFF;
  midiOutSetVolume(MidiOut, 0xFFFFFFFF);
}

void TFormInstrument::SpinEditChannelChange() {
  MidiAllNotesOff();
  MidiChannel = static_cast<uint8_t>(SpinEditChannel->value() - 1);
}

// --- MIDI notes ----------------------------------------------------------------------------

void TFormInstrument::MidiNoteOn(uint32_t Id, uint8_t Note, uint8_t Velocity) {
  MidiSlots.NoteOn(Id, Note, Velocity, MidiChannel);
}

void TFormInstrument::MidiNoteChange(uint32_t Id, uint8_t Note, uint8_t Velocity) {
  MidiSlots.NoteChange(Id, Note, Velocity, MidiChannel);
}

void TFormInstrument::MidiNoteOff(uint32_t Id) { MidiSlots.NoteOff(Id); }

void TFormInstrument::MidiAllNotesOff() { MidiSlots.AllNotesOff(); }

void TFormInstrument::MidiSend(DWORD Msg) {
  if (MidiOut) midiOutShortMsg(MidiOut, Msg);
}
