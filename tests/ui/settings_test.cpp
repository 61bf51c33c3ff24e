// The settings window: its sliders and labels, the note-range coupling, the noise question,
// the input-method switch and the note check boxes.
#include <gtest/gtest.h>

#include <QLocale>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <algorithm>
#include <optional>

#include "engine/waves.h"
#include "support/program_windows.h"
#include "support/recording_dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_.emplace();
    s = FormSettings;
    s->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s));
  }
  void TearDown() override { windows_.reset(); }
  // Presses and releases the mouse on the slider's thumb, which does not move it.
  static void ClickThumb(TTrackBar* bar) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    option.tickPosition = bar->tickPosition();
    option.tickInterval = bar->tickInterval();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    option.subControls = QStyle::SC_All;
    const QRect thumb =
        bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, thumb.center());
  }
  static std::string Text(const QLabel* label) { return label->text().toStdString(); }

  TFormSettings* s = nullptr;
  std::optional<ProgramWindows> windows_;
};

TEST_F(Settings, DesignedSlidersAndTexts) {
  struct Designed {
    TTrackBar* bar;
    int min, max, position;
  };
  for (const Designed& d :
       {Designed{s->TrackBarAttackTime, 1, 25, 1}, Designed{s->TrackBarReleaseTime, 1, 200, 1},
        Designed{s->TrackBarLowestPlayingNote, 0, 90, 0},
        Designed{s->TrackBarHighestPlayingNote, 8, 98, 98},
        Designed{s->TrackBarNoiseReduction, 1, 50, 2},
        Designed{s->TrackBarWebCam, 450, 750, 650}}) {
    EXPECT_EQ(d.bar->Min(), d.min);
    EXPECT_EQ(d.bar->Max(), d.max);
    EXPECT_EQ(d.bar->Position(), d.position);
    EXPECT_EQ(d.bar->pageStep(), 5);
  }
  EXPECT_EQ(Text(s->LabelAttackTime), "  Attack Time: 21ms");
  EXPECT_EQ(Text(s->LabelReleaseTime), "  Release Time: 21ms");
  EXPECT_EQ(Text(s->LabelLowestPlayingNote), "  Lowest Playing Note: A0 27.5Hz");
  EXPECT_EQ(Text(s->LabelHighestPlayingNote), "  Highest Playing Note: B8 7902.132812 Hz");
  EXPECT_EQ(Text(s->LabelNoiseReduction), "  Noise Reduction: 0.20%");
  EXPECT_EQ(Text(s->LabelSelectInput), "  Select Input Method:");
  EXPECT_EQ(Text(s->labelcamsense), " Sensitivity Webcam: 80%");
  EXPECT_EQ(s->GroupBoxNotes->title(), "Notes enabled");
  const QCheckBox* boxes[] = {s->CheckBoxA,  s->CheckBoxAs, s->CheckBoxB,  s->CheckBoxC,
                              s->CheckBoxCs, s->CheckBoxD,  s->CheckBoxDs, s->CheckBoxE,
                              s->CheckBoxF,  s->CheckBoxFs, s->CheckBoxG,  s->CheckBoxGs};
  const char* names[] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(boxes[k]->text(), names[k]);
    EXPECT_TRUE(boxes[k]->isChecked());
    if (k > 0) {
      EXPECT_GT(boxes[k]->x(), boxes[k - 1]->x()) << "side by side";
    }
  }
  // Top to bottom in the designed order, the status bar at the bottom.
  EXPECT_LT(s->TrackBarHighestPlayingNote->y(), s->GroupBoxNotes->y());
  EXPECT_LT(s->GroupBoxNotes->y(), s->TrackBarNoiseReduction->y());
  EXPECT_LT(s->LabelSelectInput->y(), s->ComboBoxInput->y());
  EXPECT_TRUE(s->Panel1->isHidden());
  EXPECT_EQ(s->StatusBar1->geometry().bottom(), s->height() - 1);
}

TEST_F(Settings, ShowingTellsTheThreadsAndFitsTheHeight) {
  EXPECT_EQ(s->StatusBar1->SimpleText().toStdString(),
            " Quorvel Lumatap Synth Pro v2.2.1, 64bit using AVX, FMA3 and " +
                std::to_string(ThreadCount) + " threads.");
  const int fitted =
      s->ComboBoxInput->y() + s->ComboBoxInput->height() + s->StatusBar1->height() + 6;
  EXPECT_EQ(s->height(), std::max(fitted, s->minimumHeight()));
  s->resize(s->width() + 50, s->height() + 200);  // only the width is the user's
  EXPECT_EQ(s->height(), std::max(fitted, s->minimumHeight()));
}

TEST_F(Settings, LabelsFollowTheSliders) {
  s->TrackBarAttackTime->SetPosition(25);
  EXPECT_EQ(Text(s->LabelAttackTime), "  Attack Time: 533ms");
  s->TrackBarReleaseTime->SetPosition(200);
  EXPECT_EQ(Text(s->LabelReleaseTime), "  Release Time: 4266ms");
  s->TrackBarReleaseTime->SetPosition(1000);  // clamped: no change, no new text
  EXPECT_EQ(s->TrackBarReleaseTime->Position(), 200);
  s->TrackBarNoiseReduction->SetPosition(50);
  EXPECT_EQ(Text(s->LabelNoiseReduction), "  Noise Reduction: 5.00%");
  s->TrackBarWebCam->SetPosition(450);
  EXPECT_EQ(Text(s->labelcamsense), " Sensitivity Webcam: 50.00%");
  s->TrackBarWebCam->SetPosition(650);
  EXPECT_EQ(Text(s->labelcamsense), " Sensitivity Webcam: 83.33%");
  s->TrackBarWebCam->SetPosition(750);
  EXPECT_EQ(Text(s->labelcamsense), " Sensitivity Webcam: 100.00%");
  s->TrackBarLowestPlayingNote->SetPosition(48);
  EXPECT_EQ(Text(s->LabelLowestPlayingNote), "  Lowest Playing Note: A4 440.00 Hz");
  EXPECT_EQ(Text(s->LabelHighestPlayingNote), "  Highest Playing Note: B8 7,902.13 Hz");
}

TEST_F(Settings, TheEngineReadsAttackReleaseAndNoiseFromTheSliders) {
  s->TrackBarAttackTime->SetPosition(7);
  s->TrackBarReleaseTime->SetPosition(90);
  s->TrackBarNoiseReduction->SetPosition(13);
  EXPECT_EQ(AttackPosition(), 7);
  EXPECT_EQ(NoisePosition(), 13);
  NoteOn(42, 440.0f, 1.0f);
  const TVoice* voice = std::find_if(std::begin(Voices), std::end(Voices),
                                     [](const TVoice& v) { return v.Id == 42; });
  ASSERT_NE(voice, std::end(Voices));
  EXPECT_EQ(voice->AttackLeft, 7);
  EXPECT_EQ(voice->ReleaseLeft, 90);
}

TEST_F(Settings, TheHighestNoteStaysThreeAboveTheLowest) {
  s->TrackBarLowestPlayingNote->SetPosition(8);
  s->TrackBarHighestPlayingNote->SetPosition(10);
  EXPECT_EQ(s->TrackBarLowestPlayingNote->Position(), 7);
  EXPECT_EQ(Text(s->LabelLowestPlayingNote), "  Lowest Playing Note: E1 41.20 Hz");

  s->TrackBarHighestPlayingNote->SetPosition(62);
  s->TrackBarLowestPlayingNote->SetPosition(60);
  EXPECT_EQ(s->TrackBarHighestPlayingNote->Position(), 63);
  EXPECT_EQ(Text(s->LabelHighestPlayingNote), "  Highest Playing Note: C6 1,046.50 Hz");

  s->TrackBarLowestPlayingNote->SetPosition(20);
  s->TrackBarHighestPlayingNote->SetPosition(23);  // exactly three apart: left alone
  EXPECT_EQ(s->TrackBarLowestPlayingNote->Position(), 20);
  s->TrackBarLowestPlayingNote->SetPosition(20);
  EXPECT_EQ(s->TrackBarHighestPlayingNote->Position(), 23);
  // The highest note's own range bounds the correction: 90 + 3 is still inside 8..98.
  s->TrackBarLowestPlayingNote->SetPosition(90);
  EXPECT_EQ(s->TrackBarHighestPlayingNote->Position(), 93);
}

TEST_F(Settings, TheNoiseQuestionComesOnceAfterAChangeOnMouseUp) {
  RecordingDialogs dialogs;
  InstrumentSpectrum[100].Fill(0.003f);  // below 0.5 % of the maximum
  InstrumentSpectrum[101].Fill(1.0f);
  ClickThumb(s->TrackBarNoiseReduction);
  EXPECT_TRUE(dialogs.questions.empty()) << "nothing changed";

  s->TrackBarNoiseReduction->SetPosition(5);  // as the keyboard moves it: no question yet
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_TRUE(s->NoiseChanged);
  dialogs.answers.push_back(false);
  ClickThumb(s->TrackBarNoiseReduction);
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(dialogs.questions[0],
            "Question|Do you wish to reduce the noise in the instument now to 0.50% of the "
            "maximum signal?");
  EXPECT_FALSE(s->NoiseChanged);
  EXPECT_EQ(InstrumentSpectrum[100][0], 0.003f) << "No changes nothing";
  ClickThumb(s->TrackBarNoiseReduction);
  EXPECT_EQ(dialogs.questions.size(), 1u) << "asked once per change";

  s->TrackBarNoiseReduction->SetPosition(6);
  dialogs.answers.push_back(true);
  ClickThumb(s->TrackBarNoiseReduction);
  ASSERT_EQ(dialogs.questions.size(), 2u);
  EXPECT_EQ(InstrumentSpectrum[100][0], 0.0f);
  EXPECT_EQ(InstrumentSpectrum[101][0], 1.0f);
}

TEST_F(Settings, WithoutADigitizerTheListOffersMouseAndWebcam) {
  ASSERT_EQ(s->ComboBoxInput->count(), 2);
  EXPECT_EQ(s->ComboBoxInput->itemText(0), "Mouse (only 1 note at a time)");
  EXPECT_EQ(s->ComboBoxInput->itemText(1), "WebCam (only 1 note at a time)");
  EXPECT_EQ(s->ComboBoxInput->currentIndex(), 0);
}

TEST_F(Settings, ChoosingTheWebcamWithoutACameraShowsAnEmptyCameraPanel) {
  NoteOn(3, 440.0f, 1.0f);
  NoteOn(4, 880.0f, 1.0f);
  NoteOff(4);
  QTest::keyClick(s->ComboBoxInput, Qt::Key_Down);  // the user picks the webcam
  EXPECT_TRUE(s->CamPanelShown);
  EXPECT_TRUE(WebcamInUse);
  EXPECT_EQ(s->ComboBoxInput->count(), 0) << "no camera on this machine";
  EXPECT_EQ(s->VideoFormats->count(), 0);
  EXPECT_FALSE(s->Panel1->isHidden());
  EXPECT_GT(s->Panel1->y(), s->ComboBoxInput->y() + s->ComboBoxInput->height());
  EXPECT_EQ(s->height(), std::max(s->Panel1->y() + s->Panel1->height() + s->StatusBar1->height(),
                                  s->minimumHeight()));
  // Every held voice was released, under the engine's exclusion.
  int released = 0;
  for (const TVoice& v : Voices) {
    EXPECT_NE(v.State, vsAttack);
    EXPECT_NE(v.State, vsSustain);
    released += (v.Id == 3 || v.Id == 4) && v.State == vsRelease;
  }
  EXPECT_EQ(released, 2);
  EXPECT_FALSE(TouchRegistered) << "the touch flag stays as it was";
}

TEST_F(Settings, TheEntryOfANoteClassSetsEveryOctave) {
  s->CheckBoxE->setChecked(false);  // E follows any change of its state
  for (int n = 0; n < NoteCount; ++n) EXPECT_EQ(NoteEnabled[n], n % 12 != 7) << n;
  s->CheckBoxE->setChecked(true);
  EXPECT_TRUE(
      std::all_of(std::begin(NoteEnabled), std::end(NoteEnabled), [](bool b) { return b; }));

  s->CheckBoxA->setChecked(false);  // the others follow clicks only
  EXPECT_TRUE(NoteEnabled[96]);
  s->CheckBoxAClick();  // as loading an instrument file calls it
  for (int n = 0; n < NoteCount; ++n) EXPECT_EQ(NoteEnabled[n], n % 12 != 0) << n;
  QTest::mouseClick(s->CheckBoxB, Qt::LeftButton);
  EXPECT_FALSE(NoteEnabled[98]);
  EXPECT_FALSE(NoteEnabled[2]);
  EXPECT_TRUE(NoteEnabled[3]);
}

}  // namespace
