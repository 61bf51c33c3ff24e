#include "ui/unitsettings.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QShowEvent>

#include "engine/waves.h"
#include "platform/win/dialogs.h"
#include "ui/unitLumatap.h"
#include "ui/widgets/application.h"
#include "ui/widgets/dispatch.h"
#include "ui/widgets/numbers.h"

TFormSettings* FormSettings = nullptr;

namespace {

// Top-aligned controls with their designed spacing (left, top, right, bottom).
struct TSpacing {
  int left = 0, top = 0, right = 0, bottom = 0;
};
}  // namespace

TFormSettings::TFormSettings(QWidget* parent) : TForm(parent, Qt::Tool) {
  setWindowTitle("Lumatap Synth Settings");
  SetColor(Qt::white);
  QFont designed = font();
  designed.setPixelSize(Scale(29));
  setFont(designed);
  SetDesignedConstraints(640, 480, 4000, 3000);
  // Designed at 818, 325 with a width of 1197; the main window places it when showing it.
  move(Scale(818), Scale(325));
  SetDesignedSize(1197, 480);

  LabelAttackTime = new QLabel("  Attack Time: 21ms", this);
  TrackBarAttackTime = new TTrackBar(this, 1, 25, 1, 5);
  TrackBarAttackTime->OnChange = [this] { TrackBarAttackTimeChange(); };
  LabelReleaseTime = new QLabel("  Release Time: 21ms", this);
  TrackBarReleaseTime = new TTrackBar(this, 1, 200, 1, 5);
  TrackBarReleaseTime->OnChange = [this] { TrackBarReleaseTimeChange(); };
  LabelLowestPlayingNote = new QLabel("  Lowest Playing Note: A0 27.5Hz", this);
  TrackBarLowestPlayingNote = new TTrackBar(this, 0, 90, 0, 5);
  TrackBarLowestPlayingNote->OnChange = [this] { TrackBarLowestPlayingNoteChange(); };
  LabelHighestPlayingNote = new QLabel("  Highest Playing Note: B8 7902.132812 Hz", this);
  TrackBarHighestPlayingNote = new TTrackBar(this, 8, 98, 98, 5);
  TrackBarHighestPlayingNote->OnChange = [this] { TrackBarHighestPlayingNoteChange(); };

  GroupBoxNotes = new QGroupBox("Notes enabled", this);
  GroupBoxNotes->setToolTip(
      "Disable notes if you are not going to play them makes it easier to play smoothly.");
  auto* notes = new QHBoxLayout(GroupBoxNotes);
  notes->setSpacing(0);
  auto addNote = [&](const char* caption) {
    auto* box = new QCheckBox(caption, GroupBoxNotes);
    box->setChecked(true);
    notes->addSpacing(Scale(16));
    notes->addWidget(box);
    return box;
  };
  CheckBoxA = addNote("A");
  CheckBoxAs = addNote("A#");
  CheckBoxB = addNote("B");
  CheckBoxC = addNote("C");
  CheckBoxCs = addNote("C#");
  CheckBoxD = addNote("D");
  CheckBoxDs = addNote("D#");
  CheckBoxE = addNote("E");
  CheckBoxF = addNote("F");
  CheckBoxFs = addNote("F#");
  CheckBoxG = addNote("G");
  CheckBoxGs = addNote("G#");
  notes->addStretch();
  // E follows every change of its state, the others only the user's clicks.
  connect(CheckBoxE, &QCheckBox::toggled, this, Guarded(this, [this] { CheckBoxEClick(); }));
  const std::pair<QCheckBox*, void (TFormSettings::*)()> clicked[] = {
      {CheckBoxA, &TFormSettings::CheckBoxAClick},   {CheckBoxAs, &TFormSettings::CheckBoxAsClick},
      {CheckBoxB, &TFormSettings::CheckBoxBClick},   {CheckBoxC, &TFormSettings::CheckBoxCClick},
      {CheckBoxCs, &TFormSettings::CheckBoxCsClick}, {CheckBoxD, &TFormSettings::CheckBoxDClick},
      {CheckBoxDs, &TFormSettings::CheckBoxDsClick}, {CheckBoxF, &TFormSettings::CheckBoxFClick},
      {CheckBoxFs, &TFormSettings::CheckBoxFsClick}, {CheckBoxG, &TFormSettings::CheckBoxGClick},
      {CheckBoxGs, &TFormSettings::CheckBoxGsClick}};
  for (const auto& [box, handler] : clicked)
    connect(box, &QCheckBox::clicked, this,
            Guarded(this, [this, handler = handler] { (this->*handler)(); }));

  LabelNoiseReduction = new QLabel("  Noise Reduction: 0.20%", this);
  TrackBarNoiseReduction = new TTrackBar(this, 1, 50, 2, 5);
  TrackBarNoiseReduction->OnChange = [this] { TrackBarNoiseReductionChange(); };
  TrackBarNoiseReduction->OnMouseUp = [this](QMouseEvent*) { TrackBarNoiseReductionMouseUp(); };
  LabelSelectInput = new QLabel("  Select Input Method:", this);
  ComboBoxInput = new TComboBox(this);
  ComboBoxInput->addItems({"Mouse (only 1 note at a time)", "WebCam (only 1 note at a time)"});
  ComboBoxInput->OnChange = [this] { ComboBoxInputChange(); };

  Panel1 = new QWidget(this);
  VideoFormats = new TComboBox(Panel1);
  VideoFormats->OnChange = [this] { VideoFormatsChange(); };
  labelcamsense = new QLabel(" Sensitivity Webcam: 80%", Panel1);
  TrackBarWebCam = new TTrackBar(Panel1, 450, 750, 650, 5);
  TrackBarWebCam->OnChange = [this] { TrackBarWebCamChange(); };
  Panel1->hide();

  StatusBar1 = new TStatusBar(this);
  QFont status = font();
  status.setPixelSize(Scale(24));
  StatusBar1->setFont(status);
  StatusBar1->SetSimpleText("All the settings for this program");

  FormCreate();
}

TFormSettings::~TFormSettings() = default;

void TFormSettings::LayOut() {
  int y = 0;
  auto place = [&](QWidget* control, TSpacing s, int height) {
    control->setGeometry(s.left, y + s.top, width() - s.left - s.right, height);
    y += s.top + height + s.bottom;
  };
  auto natural = [](QWidget* control) { return control->sizeHint().height(); };
  for (QWidget* control :
       {static_cast<QWidget*>(LabelAttackTime), static_cast<QWidget*>(TrackBarAttackTime),
        static_cast<QWidget*>(LabelReleaseTime), static_cast<QWidget*>(TrackBarReleaseTime),
        static_cast<QWidget*>(LabelLowestPlayingNote),
        static_cast<QWidget*>(TrackBarLowestPlayingNote),
        static_cast<QWidget*>(LabelHighestPlayingNote),
        static_cast<QWidget*>(TrackBarHighestPlayingNote), static_cast<QWidget*>(GroupBoxNotes),
        static_cast<QWidget*>(LabelNoiseReduction), static_cast<QWidget*>(TrackBarNoiseReduction),
        static_cast<QWidget*>(LabelSelectInput)})
    place(control, {}, natural(control));
  place(ComboBoxInput, {Scale(8), Scale(4), Scale(8), Scale(4)}, natural(ComboBoxInput));
  if (!Panel1->isHidden()) {
    // The panel sizes itself to its children.
    const int six = Scale(6);
    const int inner = width() - 2 * six;
    int py = 0;
    VideoFormats->setGeometry(six, py + six, inner - 2 * six, natural(VideoFormats));
    py += six + natural(VideoFormats) + six;
    labelcamsense->setGeometry(0, py, inner, natural(labelcamsense));
    py += natural(labelcamsense);
    TrackBarWebCam->setGeometry(0, py, inner, natural(TrackBarWebCam));
    py += natural(TrackBarWebCam);
    place(Panel1, {six, six, six, six}, py);
  }
  const int statusHeight = natural(StatusBar1);
  StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
}

void TFormSettings::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TFormSettings::resizeEvent(QResizeEvent* event) {
  TForm::resizeEvent(event);
  FormResize();
}

void TFormSettings::FormCreate() {
  if (TouchRegistered) {
    ComboBoxInput->addItem("Touch Screen (up to 10 notes at a time)");
    ComboBoxInput->setCurrentIndex(2);
  } else {
    ComboBoxInput->setCurrentIndex(0);
  }
}

void TFormSettings::FormShow() {
  StatusBar1->SetSimpleText(
      QStringLiteral(" Quorvel Lumatap Synth Pro v2.2.1, 64bit using AVX, FMA3 and %1 threads.")
          .arg(ThreadCount));
  FormResize();
}

void TFormSettings::FormResize() {
  LayOut();
  const int fitted = CamPanelShown ? Panel1->y() + Panel1->height() + StatusBar1->height()
                                   : ComboBoxInput->y() + ComboBoxInput->height() +
                                         StatusBar1->height() + Scale(6);
  if (height() != fitted) resize(width(), fitted);
}

void TFormSettings::TrackBarAttackTimeChange() {
  LabelAttackTime->setText(
      QStringLiteral("  Attack Time: %1ms").arg(TrackBarAttackTime->Position() * 1024000 / 48000));
}

void TFormSettings::TrackBarReleaseTimeChange() {
  LabelReleaseTime->setText(QStringLiteral("  Release Time: %1ms")
                                .arg(TrackBarReleaseTime->Position() * 1024000 / 48000));
}

TPlayingRange TFormSettings::PlayingRange() const {
  return {TrackBarLowestPlayingNote->Position(), TrackBarHighestPlayingNote->Position()};
}

void TFormSettings::UpdateRangeLabels() {
  const auto [lo, hi] = PlayingRange();
  LabelLowestPlayingNote->setText(QStringLiteral("  Lowest Playing Note: ") + NoteName[lo] + " " +
                                  F2(NoteFrequency[lo]) + " Hz");
  LabelHighestPlayingNote->setText(QStringLiteral("  Highest Playing Note: ") + NoteName[hi] + " " +
                                   F2(NoteFrequency[hi]) + " Hz");
  if (FormLumatap) FormLumatap->Invalidate();
}

// The highest playing note stays at least three notes above the lowest.
void TFormSettings::TrackBarLowestPlayingNoteChange() {
  const int32_t lo = TrackBarLowestPlayingNote->Position();
  if (TrackBarHighestPlayingNote->Position() - 2 <= lo)
    TrackBarHighestPlayingNote->SetPosition(lo + 3);
  UpdateRangeLabels();
}

void TFormSettings::TrackBarHighestPlayingNoteChange() {
  const int32_t hi = TrackBarHighestPlayingNote->Position();
  if (TrackBarLowestPlayingNote->Position() + 2 >= hi)
    TrackBarLowestPlayingNote->SetPosition(hi - 3);
  UpdateRangeLabels();
}

void TFormSettings::TrackBarNoiseReductionChange() {
  LabelNoiseReduction->setText(
      "  Noise Reduction: " + F2(TrackBarNoiseReduction->Position() * 0.1) + "%");
  NoiseChanged = true;
}

void TFormSettings::TrackBarNoiseReductionMouseUp() {
  if (!NoiseChanged) return;
  if (AskYesNo("Question",
               ("Do you wish to reduce the noise in the instument now to " +
                F2(TrackBarNoiseReduction->Position() * 0.1) + "% of the maximum signal?")
                   .toStdString()))
    ApplyNoiseReduction();
  NoiseChanged = false;
}

void TFormSettings::TrackBarWebCamChange() {
  labelcamsense->setText(" Sensitivity Webcam: " + F2((TrackBarWebCam->Position() - 150) / 6.0) +
                         "%");
}

void TFormSettings::ComboBoxInputChange() {
  const int index = ComboBoxInput->currentIndex();
  if (CamPanelShown) {
    FormLumatap->SelectWebcam(index);
  } else if (index == 0) {
    TouchRegistered = false;
  } else if (index == 1) {
    StartWebcamInput();
  } else if (index == 2 && TouchOffered) {
    TouchRegistered = true;
  }
  // Notes of the old input method would otherwise hold on; MIDI notes are not voices.
  ReleaseAllVoices();
}

void TFormSettings::VideoFormatsChange() { FormLumatap->RestartWebcam(); }

void TFormSettings::StartWebcamInput() {
  ComboBoxInput->clear();
  FormLumatap->InitWebcam();
  CamPanelShown = true;
  // Shown below the input list, which it follows in the top-aligned order.
  Panel1->show();
  FormResize();
}

void TFormSettings::SetNoteClass(int k, const QCheckBox* box) {
  for (int n = k; n < NoteCount; n += 12) NoteEnabled[n] = box->isChecked();
}

void TFormSettings::CheckBoxAClick() { SetNoteClass(0, CheckBoxA); }
void TFormSettings::CheckBoxAsClick() { SetNoteClass(1, CheckBoxAs); }
void TFormSettings::CheckBoxBClick() { SetNoteClass(2, CheckBoxB); }
void TFormSettings::CheckBoxCClick() { SetNoteClass(3, CheckBoxC); }
void TFormSettings::CheckBoxCsClick() { SetNoteClass(4, CheckBoxCs); }
void TFormSettings::CheckBoxDClick() { SetNoteClass(5, CheckBoxD); }
void TFormSettings::CheckBoxDsClick() { SetNoteClass(6, CheckBoxDs); }
void TFormSettings::CheckBoxEClick() { SetNoteClass(7, CheckBoxE); }
void TFormSettings::CheckBoxFClick() { SetNoteClass(8, CheckBoxF); }
void TFormSettings::CheckBoxFsClick() { SetNoteClass(9, CheckBoxFs); }
void TFormSettings::CheckBoxGClick() { SetNoteClass(10, CheckBoxG); }
void TFormSettings::CheckBoxGsClick() { SetNoteClass(11, CheckBoxGs); }
