// From the toolbar and the mouse to the samples the sound device plays.
#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <optional>

#include "engine/waves.h"
#include "platform/winmm/waveout_virtual.h"
#include "support/program_windows.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

class Sound : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_.emplace(true);
    FormLumatap->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FormLumatap));
    // A pure instrument: only the main bin sounds.
    for (TVec8& bin : InstrumentSpectrum) bin.Fill(0.0f);
    InstrumentSpectrum[MainBin.load()].Fill(1.0f);
  }
  void TearDown() override { windows_.reset(); }
  // Plays n half-block buffers, each once the output has handed it to the device.
  void Play(int n) {
    for (int i = 0; i < n; ++i) {
      for (int wait = 0; wait < 5000 && device.Pending() == 0; ++wait) QTest::qWait(1);
      // The block being computed is finished before the device asks for it: on a slow or
      // busy machine the output would otherwise play a late block again.
      for (int wait = 0; wait < 5000 && CalcBusy.load() != 0; ++wait) QTest::qWait(1);
      ASSERT_TRUE(device.Step()) << "buffer " << i;
    }
  }
  VirtualWaveOut device{VirtualWaveOut::Pace::Stepped};
  std::optional<ProgramWindows> windows_;
};

TEST_F(Sound, AMousePressWhilePlayingIsHeardAtItsPitchAndStopsAfterTheRelease) {
  TFormLumatap* f = FormLumatap;
  QTest::mouseClick(f->btnPlay, Qt::LeftButton);
  ASSERT_TRUE(device.IsOpen());
  Play(8);
  for (int16_t s : device.Played()) ASSERT_EQ(s, 0) << "nothing sounds before a note";

  // The middle of the surface, half way up.
  const int top = f->Panel1->height(), bottom = f->StatusBar1->y();
  const QPoint middle(f->width() / 2, (top + bottom) / 2);
  QTest::mousePress(f, Qt::LeftButton, {}, middle);
  int held = -1;
  for (int v = 0; v < 10; ++v)
    if (Voices[v].State != 0) held = v;
  ASSERT_GE(held, 0);
  const double hz = BinFrequency[Voices[held].Bin];
  device.ClearPlayed();
  Play(40);
  std::vector<int16_t> heard = device.Played();
  ASSERT_EQ(heard.size(), 40u * 512);
  // Skip the attack; count rising zero crossings over the rest.
  int crossings = 0;
  double energy = 0;
  for (size_t i = 4096; i + 1 < heard.size(); ++i) {
    crossings += heard[i] < 0 && heard[i + 1] >= 0;
    energy += double(heard[i]) * heard[i];
  }
  const double seconds = (heard.size() - 4096) / 48000.0;
  EXPECT_NEAR(crossings / seconds, hz, hz * 0.05 + 2);
  EXPECT_GT(std::sqrt(energy / (heard.size() - 4096)), 100.0);

  QTest::mouseRelease(f, Qt::LeftButton, {}, middle);
  Play(12);  // the release of one block, then silence
  device.ClearPlayed();
  Play(8);
  for (int16_t s : device.Played()) ASSERT_EQ(s, 0);

  QTest::mouseClick(f->btnPause, Qt::LeftButton);
  EXPECT_FALSE(device.IsOpen());
}

TEST_F(Sound, ClosingTheProgramWhileSoundingInMidiModeLeavesTheEditorAlone) {
  // The editor is destroyed before the main window, whose stop of the sound device lets the
  // windows handle their messages; a tick of the volume bar's timer then must not reach for
  // the editor (in MIDI mode it reads the editor's MIDI volume).
  QTest::mouseClick(FormLumatap->btnPlay, Qt::LeftButton);
  ASSERT_TRUE(device.IsOpen());
  MidiMode = true;
  FormLumatap->Timer1->setInterval(1);
  QTest::qSleep(5);  // a tick is due when the windows go
  windows_.reset();
  EXPECT_EQ(FormLumatap, nullptr);
  EXPECT_FALSE(device.IsOpen());
}

TEST_F(Sound, WithoutPlayingTheMouseSoundsNothing) {
  QTest::mousePress(FormLumatap, Qt::LeftButton, {}, FormLumatap->rect().center());
  for (const TVoice& v : Voices) EXPECT_EQ(v.State, 0);
  EXPECT_FALSE(device.IsOpen());
  QTest::mouseRelease(FormLumatap, Qt::LeftButton, {}, FormLumatap->rect().center());
}

}  // namespace
