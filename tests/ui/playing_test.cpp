// The main window as a playing surface: the position-to-note mapping, mouse and touch input,
// the painted surface, the volume bar and the timer, driven through Qt's event delivery.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTouchEvent>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "engine/waves.h"
#include "platform/qt/touch.h"
#include "support/program_windows.h"
#include "support/recording_dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

constexpr TColor kWhite = 0xFFFFFF, kBlack = 0, kSilver = 0xC0C0C0, kGreen = 0x008000,
                 kRed = 0x0000FF;

int Held() {
  return static_cast<int>(std::count_if(std::begin(Voices), std::end(Voices), [](const TVoice& v) {
    return v.State == vsAttack || v.State == vsSustain;
  }));
}

const TVoice* HeldVoice(int32_t id) {
  for (const TVoice& v : Voices)
    if (v.Id == id && (v.State == vsAttack || v.State == vsSustain)) return &v;
  return nullptr;
}

// The three windows as start-up makes them, the main window 1001 by 601 client pixels at
// designed scale: toolbar rows 0..67, playing rows 68..564, status bar from 565.
class PlayingWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateWindows();
    Playing = true;  // as after the play button, without opening the sound device
  }
  void TearDown() override { windows_.reset(); }
  void CreateWindows() {
    windows_.emplace();
    f = FormLumatap;
    // Tests step the window's timer themselves: it must not tick while the window shows.
    f->Timer1->stop();
    f->move(40, 30);
    f->resize(1001, 601);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    ASSERT_EQ(f->width(), 1001);
    ASSERT_EQ(T(), 68);
    ASSERT_EQ(B(), 565);
  }
  int T() const { return f->Panel1->height(); }
  int B() const { return f->StatusBar1->y(); }
  static void SetRange(int lo, int hi) {
    // Highest first when moving up, so that the coupling rule never intervenes.
    if (hi >= FormSettings->TrackBarHighestPlayingNote->Position()) {
      FormSettings->TrackBarHighestPlayingNote->SetPosition(hi);
      FormSettings->TrackBarLowestPlayingNote->SetPosition(lo);
    } else {
      FormSettings->TrackBarLowestPlayingNote->SetPosition(lo);
      FormSettings->TrackBarHighestPlayingNote->SetPosition(hi);
    }
    ASSERT_EQ(FormSettings->TrackBarLowestPlayingNote->Position(), lo);
    ASSERT_EQ(FormSettings->TrackBarHighestPlayingNote->Position(), hi);
  }
  void Press(int x, int y) { QTest::mousePress(f, Qt::LeftButton, {}, QPoint(x, y)); }
  void Release(int x, int y) { QTest::mouseRelease(f, Qt::LeftButton, {}, QPoint(x, y)); }
  std::string Status() const { return f->StatusBar1->SimpleText().toStdString(); }

  TFormLumatap* f = nullptr;
  std::optional<ProgramWindows> windows_;
};

TEST_F(PlayingWindow, SmoothModeSpansThePlayingRange) {
  Press(0, 316);
  EXPECT_EQ(Status(), "Note: 27.50Hz at volume: 0.500");
  Press(1000, 316);
  EXPECT_EQ(Status(), "Note: 7,902.13Hz at volume: 0.500");
  Press(500, 316);
  EXPECT_EQ(Status(), "Note: 466.16Hz at volume: 0.500");
  const TVoice* voice = HeldVoice(MouseNoteId);
  ASSERT_NE(voice, nullptr);
  EXPECT_EQ(voice->Bin, NearestBin(NoteFrequency[49]));
  EXPECT_EQ(voice->Volume, 0.5f * InstrumentVolume[0]);
  // Between notes the pitch glides: a quarter of the way from A0 to B8 is no note of the table.
  Press(250, 316);
  EXPECT_EQ(Status(), "Note: 113.22Hz at volume: 0.500");
}

TEST_F(PlayingWindow, AFractionalPositionPlaysThePixelItFallsIn) {
  // On a scaled screen the pointer lies between pixels; the last half row above the status
  // bar is still the bottom row, volume 0 (rounding would make it the status bar's row and
  // the volume negative).
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(500.0, B() - 0.4),
                    f->mapToGlobal(QPointF(500.0, B() - 0.4)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(f, &press);
  EXPECT_EQ(Held(), 1);
  EXPECT_NE(Status().find("at volume: 0.000"), std::string::npos) << Status();
  for (const TVoice& v : Voices)
    if (v.State != vsFree) EXPECT_EQ(v.Volume, 0.0f);
}

TEST_F(PlayingWindow, PressAtA4HalfHeightAndRelease) {
  SetRange(0, 96);
  Press(500, 316);
  EXPECT_EQ(Status(), "Note: 440.00Hz at volume: 0.500");
  EXPECT_EQ(Held(), 1);
  Release(700, 100);
  EXPECT_EQ(Status(), "Note released");
  EXPECT_EQ(Held(), 0);
  EXPECT_FALSE(f->MouseIsDown);
  // With German separators.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Press(500, 316);
  EXPECT_EQ(Status(), "Note: 440,00Hz at volume: 0,500");
}

TEST_F(PlayingWindow, PianoModeHalfwayGoesToTheEvenNote) {
  SetRange(10, 14);
  // x = Pos × 4 + 10 lies exactly halfway at Pos 0.125 and 0.375.
  EXPECT_EQ(f->PositionToMidiNote(0.125f), 10 + 21);
  EXPECT_EQ(f->PositionToMidiNote(0.375f), 12 + 21);
  EXPECT_EQ(f->PositionToMidiNote(0.37f), 11 + 21);
  QTest::mouseClick(f->btnPiano, Qt::LeftButton);
  Press(375, 316);  // Pos 0.375
  const TVoice* voice = HeldVoice(MouseNoteId);
  ASSERT_NE(voice, nullptr);
  EXPECT_EQ(voice->Bin, NearestBin(NoteFrequency[12]));
  EXPECT_EQ(f->PositionToNoteFreq(0.375f), NoteFrequency[12]);
}

TEST_F(PlayingWindow, WhiteKeysOnlyPlayTheNaturalOnThePointsSide) {
  for (QCheckBox* sharp :
       {FormSettings->CheckBoxAs, FormSettings->CheckBoxCs, FormSettings->CheckBoxDs,
        FormSettings->CheckBoxFs, FormSettings->CheckBoxGs})
    sharp->click();
  ASSERT_FALSE(NoteEnabled[1]);
  // Note 1 (A#0) is off: just above it B0 plays, just below it A0.
  EXPECT_EQ(f->PositionToNoteFreq(1.2f / 98), NoteFrequency[2]);
  EXPECT_EQ(f->PositionToNoteFreq(0.8f / 98), NoteFrequency[0]);
  EXPECT_EQ(f->PositionToNoteFreq(1.0f / 98), NoteFrequency[0]) << "exactly on it: below first";
  EXPECT_EQ(f->PositionToMidiNote(49.0f / 98), 48 + 21) << "A#4 gives way to A4";
}

TEST_F(PlayingWindow, SearchAlternatesAboutTheNearestNoteAndStopsAtABound) {
  SetRange(10, 30);
  std::fill(std::begin(NoteEnabled), std::end(NoteEnabled), false);
  NoteEnabled[20] = true;
  // From 17: 16, 18, 15, 19, 14, 20.
  EXPECT_EQ(f->PositionToMidiNote(7.0f / 20), 20 + 21);
  // From 15: 14, 16, 13, 17, 12, 18, 11, 19, then 10 is the lower bound: taken though off.
  EXPECT_EQ(f->PositionToMidiNote(5.0f / 20), 10 + 21);
  // With nothing enabled the bound the search reaches first.
  NoteEnabled[20] = false;
  EXPECT_EQ(f->PositionToMidiNote(18.0f / 20), 30 + 21);
}

TEST_F(PlayingWindow, APositionPastTheRightEdgeIsTheHighestNote) {
  SetRange(40, 50);
  // Pos 1.06 is nearest to 51, which is enabled but outside the range.
  EXPECT_EQ(f->PositionToMidiNote(1.06f), 50 + 21);
  SetRange(90, 98);
  EXPECT_EQ(f->PositionToMidiNote(1.2f), 98 + 21) << "never beyond the table";
  // Any finite position, however far out, gives the nearest bound.
  SetRange(10, 30);
  NoteEnabled[30] = false;
  for (float far : {1e10f, 3e38f, 1e5f}) {
    EXPECT_EQ(f->PositionToMidiNote(far), 30 + 21) << far;
    EXPECT_EQ(f->PositionToMidiNote(-far), 10 + 21) << -far;
    EXPECT_EQ(f->PositionToNoteFreq(far), NoteFrequency[30]) << far;
    EXPECT_EQ(f->PositionToNoteFreq(-far), NoteFrequency[10]) << -far;
  }
}

TEST_F(PlayingWindow, TopRowIsFullVolumeBottomRowSilence) {
  Press(500, T());
  EXPECT_EQ(HeldVoice(MouseNoteId)->Volume, InstrumentVolume[0]);
  EXPECT_EQ(Status(), "Note: 466.16Hz at volume: 1.000");
  Press(500, B() - 1);
  EXPECT_EQ(HeldVoice(MouseNoteId)->Volume, 0.0f);
  EXPECT_EQ(Status(), "Note: 466.16Hz at volume: 0.000");
  Release(500, B() - 1);

  MidiMode = true;
  FreeAllVoices();
  Press(0, T());
  EXPECT_EQ(Status(), "Midi 21 at 127");
  Press(1000, B() - 1);
  EXPECT_EQ(Status(), "Midi 119 at 0");
  Press(0, 316);
  EXPECT_EQ(Status(), "Midi 21 at 64") << "127 × 248 / 496 = 63.5: ties to even";
  EXPECT_EQ(Held(), 0) << "MIDI notes are no voices";
  Release(0, 316);
  EXPECT_EQ(Status(), "Note released");
}

TEST_F(PlayingWindow, DraggingOutsideTheAreaClampsToItsEdges) {
  Press(500, 316);
  QTest::mouseMove(f, QPoint(-50, 5));
  EXPECT_EQ(Status(), "Note: 27.50Hz at volume: 1.000");
  const TVoice* voice = HeldVoice(MouseNoteId);
  ASSERT_NE(voice, nullptr);
  EXPECT_EQ(voice->Bin, NearestBin(27.5f));
  EXPECT_EQ(voice->Volume, InstrumentVolume[0]);
  QTest::mouseMove(f, QPoint(3000, 590));
  EXPECT_EQ(Status(), "Note: 7,902.13Hz at volume: 0.000");
  EXPECT_EQ(voice->Volume, 0.0f);
  Release(3000, 590);
  EXPECT_EQ(Held(), 0);
  // No note held: moves do nothing.
  QTest::mouseMove(f, QPoint(500, 316));
  EXPECT_EQ(Status(), "Note released");
}

TEST_F(PlayingWindow, EachPressTakesTheNextIdApartFromTheCamerasId) {
  Press(100, 200);
  EXPECT_EQ(MouseNoteId, 1);
  Release(100, 200);
  Press(200, 200);
  EXPECT_EQ(MouseNoteId, 2);
  EXPECT_NE(HeldVoice(2), nullptr);
  // A second button pressed while the first is held releases the first note.
  QTest::mousePress(f, Qt::RightButton, {}, QPoint(300, 200));
  EXPECT_EQ(MouseNoteId, 3);
  EXPECT_EQ(HeldVoice(2), nullptr);
  EXPECT_EQ(Held(), 1);
  QTest::mouseRelease(f, Qt::RightButton, {}, QPoint(300, 200));
  Release(200, 200);
  CamNoteId = 4;
  Press(100, 200);
  EXPECT_EQ(NoteIdCounter, 4);
  EXPECT_EQ(MouseNoteId, 2) << "the camera's id minus 2";
}

TEST_F(PlayingWindow, PressesAreIgnoredWhileNotPlayingOrWhileTouchIsActive) {
  const std::string before = Status();
  Playing = false;
  Press(100, 200);
  TouchRegistered = true;
  Playing = true;
  Press(100, 200);
  EXPECT_EQ(Status(), before);
  EXPECT_EQ(Held(), 0);
  EXPECT_EQ(NoteIdCounter, 0);
}

// --- Touch ----------------------------------------------------------------------------------

// A multi-touch screen is present before the windows are created.
class TouchWindow : public PlayingWindow {
 protected:
  void SetUp() override {
    screen_.reset(QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen));
    PlayingWindow::SetUp();
  }
  void TearDown() override {
    PlayingWindow::TearDown();
    screen_.reset();  // forgets the screen again for the tests that follow
  }
  QTest::QTouchEventWidgetSequence Touch() { return QTest::touchEvent(f, screen_.get()); }
  // Feeds the window a message made from a touch event the test builds itself.
  void Deliver(QEvent::Type type, const QList<QEventPoint>& points) {
    QTouchEvent event(type, screen_.get(), Qt::NoModifier, points);
    TMessage message;
    ASSERT_TRUE(TouchEventToMessage(f->Handle(), event, message));
    f->WMTouch(message);
  }
  QEventPoint Point(int id, QEventPoint::State state, QPoint client) {
    const QPointF global = f->mapToGlobal(QPointF(client));
    return QEventPoint(id, state, QPointF(client), global);
  }
  std::unique_ptr<QPointingDevice> screen_;
};

TEST_F(TouchWindow, TheDigitizerRegistersTheWindowAndOffersTouch) {
  EXPECT_TRUE(TouchCapable);
  EXPECT_TRUE(TouchRegistered);
  EXPECT_TRUE(TouchOffered);
  EXPECT_TRUE(f->testAttribute(Qt::WA_AcceptTouchEvents));
  ASSERT_EQ(FormSettings->ComboBoxInput->count(), 3);
  EXPECT_EQ(FormSettings->ComboBoxInput->itemText(2), "Touch Screen (up to 10 notes at a time)");
  EXPECT_EQ(FormSettings->ComboBoxInput->currentIndex(), 2);
}

TEST_F(TouchWindow, TwoFingersInOneMessagePlayTwoNotesUnderTheirContactIds) {
  SetRange(0, 96);
  Touch().press(7, QPoint(500, 316)).press(9, QPoint(250, 564));
  EXPECT_EQ(Status(), "Playing: 440.00Hz at 0.500 110.00Hz at 0.000");
  const TVoice* first = HeldVoice(7);
  const TVoice* second = HeldVoice(9);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->Bin, NearestBin(440.0f));
  EXPECT_EQ(second->Bin, NearestBin(110.0f));
  EXPECT_EQ(OpenTouchInputHandles(), 0);
  EXPECT_EQ(NoteIdCounter, 0) << "touch notes take no mouse ids";
  // One finger moves, the other rests where it is.
  Touch().move(7, QPoint(750, 316)).stationary(9);
  EXPECT_EQ(Status(), "Playing: 1,760.00Hz at 0.500 110.00Hz at 0.000");
  EXPECT_EQ(second->Bin, NearestBin(110.0f));
}

TEST_F(TouchWindow, AFingerMovesAndLiftsItsOwnNote) {
  SetRange(0, 96);
  Touch().press(3, QPoint(500, 316));
  Touch().move(3, QPoint(750, 68));
  const TVoice* voice = HeldVoice(3);
  ASSERT_NE(voice, nullptr);
  EXPECT_EQ(voice->Bin, NearestBin(1760.0f));
  EXPECT_EQ(voice->Volume, InstrumentVolume[0]);
  EXPECT_EQ(Status(), "Playing: 1,760.00Hz at 1.000");
  // Above the toolbar and past the right edge: clamped to the area.
  Touch().release(3, QPoint(1500, -20));
  EXPECT_EQ(HeldVoice(3), nullptr);
  EXPECT_EQ(Status(), "Playing: 7,040.00Hz released");
}

TEST_F(TouchWindow, ADownForASoundingIdRestartsItsNote) {
  SetRange(0, 96);
  Deliver(QEvent::TouchBegin, {Point(5, QEventPoint::State::Pressed, QPoint(500, 316))});
  Deliver(QEvent::TouchUpdate, {Point(5, QEventPoint::State::Pressed, QPoint(250, 316))});
  int releasing = 0;
  for (const TVoice& v : Voices) releasing += v.Id == 5 && v.State == vsRelease;
  EXPECT_EQ(releasing, 1);
  ASSERT_NE(HeldVoice(5), nullptr);
  EXPECT_EQ(HeldVoice(5)->Bin, NearestBin(110.0f));
  EXPECT_EQ(Held(), 1);
}

TEST_F(TouchWindow, ElevenContactsHandleTheFirstTen) {
  auto sequence = Touch();
  for (int id = 1; id <= 11; ++id) sequence.press(id, QPoint(80 * id, 316));
  sequence.commit();
  const QString status = f->StatusBar1->SimpleText();
  EXPECT_EQ(status.count("Hz at"), 10) << status.toStdString();
  EXPECT_EQ(HeldVoice(11), nullptr);
  EXPECT_NE(HeldVoice(10), nullptr);
  EXPECT_EQ(OpenTouchInputHandles(), 0);
}

TEST_F(TouchWindow, NothingPlaysWhilePausedOrWithMouseInput) {
  Playing = false;
  const std::string before = Status();
  Touch().press(1, QPoint(500, 316));
  Touch().release(1, QPoint(500, 316));
  EXPECT_EQ(Status(), before);
  EXPECT_EQ(OpenTouchInputHandles(), 0);
  Playing = true;
  Press(500, 316);  // the mouse is ignored while touch input is active
  EXPECT_EQ(Held(), 0);

  // Switching to the mouse in the settings window.
  FormSettings->ComboBoxInput->setCurrentIndex(0);
  emit FormSettings->ComboBoxInput->activated(0);
  EXPECT_FALSE(TouchRegistered);
  Touch().press(1, QPoint(500, 316));
  EXPECT_EQ(Held(), 0);
  Touch().release(1, QPoint(500, 316));
  Press(500, 316);
  EXPECT_EQ(Held(), 1);
  Release(500, 316);
  FormSettings->ComboBoxInput->setCurrentIndex(2);
  emit FormSettings->ComboBoxInput->activated(2);
  EXPECT_TRUE(TouchRegistered);
}

TEST_F(TouchWindow, InMidiModeALiftedFingerAddsNothing) {
  MidiMode = true;
  SetRange(0, 96);
  Touch().press(2, QPoint(500, 316));
  EXPECT_EQ(Status(), "Playing: midi 69 at 64");
  Touch().release(2, QPoint(500, 316));
  EXPECT_EQ(Status(), "Playing:");
  EXPECT_EQ(Held(), 0);
}

TEST_F(TouchWindow, ATouchOnTheToolbarPressesItsButton) {
  const QPoint button = f->btnPlay->mapTo(f, f->btnPlay->rect().center());
  Playing = false;
  Touch().press(1, button);
  Touch().release(1, button);
  EXPECT_TRUE(f->btnPlay->isHidden()) << "the play button was clicked";
  f->btnPauseClick();
}

// --- Playing surface ------------------------------------------------------------------------

class Surface : public PlayingWindow {
 protected:
  TColor Px(int x) { return f->Canvas().Pixel(x, 300); }
  void Paint() {
    f->Invalidate();
    f->repaint();
  }
};

TEST_F(Surface, PianoBandsTenPixelsWideOnA980PixelWindow) {
  f->resize(980, 601);
  QTest::mouseClick(f->btnPiano, Qt::LeftButton);
  f->MarkerShown = true;
  Paint();
  EXPECT_FALSE(f->MarkerShown);
  for (int n = 0; n <= 98; ++n) {
    const int left = 10 * n - 5;  // band n is centred on 10 n
    const TColor outline = KeyColor[n] == kWhite ? kSilver : kBlack;
    if (left >= 0) {
      EXPECT_EQ(Px(left), outline) << n;
    }
    if (left + 9 < 980) {
      EXPECT_EQ(Px(left + 9), outline) << n;
    }
    EXPECT_EQ(Px(std::min(10 * n, 978)), KeyColor[n]) << n;
  }
  // A keyboard from A: A white, A# black, B white, C white, C# black.
  EXPECT_EQ(Px(10), kBlack);
  EXPECT_EQ(Px(20), kWhite);
  EXPECT_EQ(Px(30), kWhite);
  EXPECT_EQ(Px(40), kBlack);
}

TEST_F(Surface, FourBandsWhenTheRangeIsThreeNotes) {
  f->resize(981, 601);
  SetRange(20, 23);  // F, F#, G, G#
  f->btnPianoClick();
  Paint();
  // Bands 327 wide centred on 0, 327, 654, 981; the halves round to even.
  EXPECT_EQ(Px(0), kWhite);
  EXPECT_EQ(Px(163), kSilver);
  EXPECT_EQ(Px(164), kBlack);
  EXPECT_EQ(Px(489), kBlack);
  EXPECT_EQ(Px(490), kSilver);
  EXPECT_EQ(Px(600), kWhite);
  EXPECT_EQ(Px(817), kSilver);
  EXPECT_EQ(Px(818), kBlack);
  EXPECT_EQ(Px(980), kBlack);
}

TEST_F(Surface, SmoothModeIsABlackCrossHatchOverWhite) {
  f->btnPianoClick();
  Paint();
  f->btnSmoothClick();
  f->MarkerShown = true;
  Paint();
  EXPECT_FALSE(f->MarkerShown);
  int black = 0, white = 0;
  for (int y = 100; y < 116; ++y)
    for (int x = 100; x < 116; ++x) {
      const TColor c = f->Canvas().Pixel(x, y);
      (c == kBlack ? black : white) += 1;
      EXPECT_EQ(c == kBlack, x % 8 == 0 || y % 8 == 0) << x << "," << y;
    }
  EXPECT_GT(black, 0);
  EXPECT_GT(white, 0);
}

TEST_F(Surface, ChangingThePlayingRangeRepaints) {
  f->btnPianoClick();
  Paint();
  EXPECT_EQ(Px(500), kBlack) << "the centre of 0..98 is A#4";
  // The settings window's handlers invalidate the surface; a repaint then shows the new range.
  FormSettings->TrackBarHighestPlayingNote->SetPosition(96);
  f->repaint();
  EXPECT_EQ(Px(500), kWhite) << "the centre of 0..96 is A4";
  FormSettings->TrackBarLowestPlayingNote->SetPosition(2);
  f->repaint();
  EXPECT_EQ(Px(500), kBlack) << "the centre of 2..96 is A#4";
}

TEST_F(Surface, LoadingAnInstrumentSavedInPianoModeRepaintsTheSurface) {
  Paint();
  ASSERT_EQ(Px(500), kWhite) << "smooth: between the hatch lines";
  RecordingDialogs dialogs;
  QTemporaryDir dir;
  const std::string file = (dir.path() + "/piano.lmt").toStdString();
  f->btnPianoClick();
  dialogs.fileNames.push_back(file);
  FormInstrument->btnSave->Click();
  f->btnSmoothClick();
  Paint();
  dialogs.fileNames.push_back(file);
  FormInstrument->btnImport->Click();
  ASSERT_TRUE(f->PianoMode);
  EXPECT_TRUE(dialogs.messages.empty());
  f->repaint();
  EXPECT_EQ(Px(500), kBlack) << "the keyboard, A#4 in the centre";
}

// --- Volume bar and timer -------------------------------------------------------------------

class VolumeBar : public PlayingWindow {
 protected:
  void SetUp() override {
    PlayingWindow::SetUp();
    // Widen the window so that the bar is 1001 pixels wide.
    f->resize(f->width() + 1001 - f->VolumeBar->width(), 601);
    ASSERT_EQ(f->VolumeBar->width(), 1001);
  }
  TColor BarPx(int x) { return f->VolumeBar->Canvas().Pixel(x, 10); }
  TPaintBox* bar() { return f->VolumeBar; }
};

TEST_F(VolumeBar, DraggingSetsTheInstrumentVolume) {
  QTest::mousePress(bar(), Qt::LeftButton, {}, QPoint(500, 10));
  EXPECT_EQ(bar()->Tag, 32735);
  EXPECT_EQ(InstrumentVolume[0], static_cast<float>(32735 * 3.999938963912413 * 0.000244140625));
  EXPECT_NEAR(InstrumentVolume[0], 31.97, 0.01);
  EXPECT_EQ(InstrumentVolume[7], InstrumentVolume[0]);
  EXPECT_EQ(Status(), "Volume: 0.500");
  QTest::mouseMove(bar(), QPoint(1000, 10));  // the last pixel: past the end counts as the end
  EXPECT_EQ(bar()->Tag, 65470);
  QTest::mouseMove(bar(), QPoint(5000, 10));
  EXPECT_EQ(bar()->Tag, 65535);
  EXPECT_EQ(InstrumentVolume[0], 63.998046875f);
  EXPECT_EQ(Status(), "Volume: 1.000");
  QTest::mouseRelease(bar(), Qt::LeftButton, {}, QPoint(-40, 10));
  EXPECT_EQ(bar()->Tag, 0);
  EXPECT_EQ(InstrumentVolume[0], 0.0f);
  EXPECT_EQ(Status(), "Volume: 0.000");
  EXPECT_FALSE(VolumeDragging);
  QTest::mouseMove(bar(), QPoint(500, 10));  // no drag: nothing
  EXPECT_EQ(bar()->Tag, 0);
}

TEST_F(VolumeBar, InMidiModeTheBarSetsTheMidiVolume) {
  MidiMode = true;
  const float before = InstrumentVolume[0];
  QTest::mouseClick(bar(), Qt::LeftButton, {}, QPoint(500, 10));
  EXPECT_EQ(FormInstrument->MidiVolume, (32735u << 16) | 32735u);
  EXPECT_EQ(InstrumentVolume[0], before);
  EXPECT_EQ(Status(), "Volume: 0.500");
  // The timer follows the MIDI volume's left channel.
  FormInstrument->MidiVolume = 0xFFFFFFFF;
  f->Timer1Timer(f->Timer1);
  EXPECT_EQ(bar()->Tag, 65535);
}

TEST_F(VolumeBar, TheTimerMovesTheBarToTheEngineVolume) {
  EXPECT_EQ(bar()->Tag, 3800);
  // The first tick moves the bar to the engine's volume.
  f->Timer1Timer(f->Timer1);
  EXPECT_EQ(bar()->Tag, 65535);
  bar()->repaint();
  EXPECT_EQ(BarPx(999), kGreen);
  InstrumentVolume.Fill(static_cast<float>(16384 * 3.999938963912413 * 0.000244140625));
  f->Timer1Timer(f->Timer1);
  EXPECT_EQ(bar()->Tag, 16384);
  bar()->repaint();
  EXPECT_EQ(BarPx(249), kGreen);  // p = 1000 × 16384 div 65535 = 250
  EXPECT_EQ(BarPx(250), kWhite);
}

TEST_F(VolumeBar, AClippedBlockLeavesARedMarkOnce) {
  f->Timer1Timer(f->Timer1);
  ClipVolume = InstrumentVolume[0] / 2;  // as the block computation reports a clip
  f->Timer1Timer(f->Timer1);
  bar()->repaint();
  EXPECT_EQ(BarPx(500), kRed) << "at the clip volume's place on the bar: half way";
  EXPECT_EQ(BarPx(499), kGreen);
  EXPECT_EQ(ClipVolume.load(), InstrumentVolume[0]) << "each report is drawn once";
  bar()->repaint();
  EXPECT_EQ(BarPx(500), kGreen);
  // A clip volume at or below 0.01 is reset at the tick and then drawn no more.
  ClipVolume = 0.01f;
  f->Timer1Timer(f->Timer1);
  EXPECT_EQ(ClipVolume.load(), InstrumentVolume[0]);
  bar()->repaint();
  EXPECT_EQ(BarPx(0), kGreen);
  EXPECT_EQ(BarPx(1), kGreen);
  // Never in MIDI mode.
  MidiMode = true;
  ClipVolume = InstrumentVolume[0] / 2;
  bar()->repaint();
  EXPECT_EQ(BarPx(500), kGreen);
}

}  // namespace
