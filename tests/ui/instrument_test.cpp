#include <gtest/gtest.h>

#include <QLocale>
#include <QTest>
#include <cmath>
#include <vector>

#include "app/programhost.h"
#include "engine/engine_fixture.h"
#include "engine/waves.h"
#include "platform/com/com.h"
#include "platform/dshow/runtime.h"
#include "platform/winmm/waveout_virtual.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/widgets/application.h"
#include "ui/widgets/numbers.h"

namespace {

constexpr TColor kGreen = 0x008000, kRed = 0x0000FF, kWhite = 0xFFFFFF;

std::vector<float> Snapshot() {
  std::vector<float> a(BinCount);
  for (int b = 0; b < BinCount; ++b) a[b] = InstrumentSpectrum[b][0];
  return a;
}

void SetBin(int b, float a) { InstrumentSpectrum[b].Fill(a); }

bool LanesAgree(int b) {
  for (int lane = 1; lane < 8; ++lane)
    if (InstrumentSpectrum[b][lane] != InstrumentSpectrum[b][0]) return false;
  return true;
}

class Editor : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureEngineTables(); }
  void SetUp() override {
    scaled_ = Application.Scaled;
    Application.Scaled = false;  // designed pixels are window pixels
    QLocale::setDefault(QLocale::c());
    InstallEngineHost();
    ResetEngineState();
    Playing = false;
    f = new TFormInstrument;
    FormInstrument = f;
    f->move(0, 0);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
  }
  void TearDown() override {
    Playing = false;
    StopAudio();
    FormInstrument = nullptr;
    delete f;
    Application.Scaled = scaled_;
    QLocale::setDefault(QLocale::system());
  }

  // Resizes the client area and waits until the window has painted itself at that size.
  void Resize(int width) {
    f->resize(width, f->height());
    Repaint();
    ASSERT_EQ(f->width(), width);
  }
  void Repaint() {
    f->Invalidate();
    f->repaint();
  }
  int P() const { return f->Panel1->height(); }
  int T() const { return f->StatusBar1->y(); }
  int BinOf(int x) const { return int(std::nearbyint(double(x) * 4095 / (f->width() - 1))); }
  float AmpOf(int y) const { return float(double(T() - 1 - y) / (T() - 1 - P())); }
  TColor Px(int x, int y) { return f->Canvas().Pixel(x, y); }
  // Row of the top of the bar that column x shows for amplitude a.
  int Top(float a) const { return T() - int(std::nearbyint(float(T() - P()) * a)); }
  QString Status() const { return f->StatusBar1->SimpleText(); }

  void Press(int x, int y) { QTest::mousePress(f, Qt::LeftButton, {}, QPoint(x, y)); }
  void Move(int x, int y) { QTest::mouseMove(f, QPoint(x, y)); }
  void Release(int x, int y) { QTest::mouseRelease(f, Qt::LeftButton, {}, QPoint(x, y)); }

  VirtualWaveOut device_{VirtualWaveOut::Pace::Stepped};
  TFormInstrument* f = nullptr;
  bool scaled_ = false;
};

TEST_F(Editor, DesignedLayoutAndStartState) {
  EXPECT_EQ(f->windowTitle(), "Lumatap Synth Instrument");
  EXPECT_TRUE(f->windowFlags() & Qt::Tool);
  EXPECT_EQ(f->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(f->size(), QSize(1300, 651));
  EXPECT_EQ(f->minimumSize(), QSize(640, 480));
  EXPECT_EQ(f->maximumSize(), QSize(16000, 16000));

  EXPECT_EQ(f->Panel1->geometry(), QRect(0, 0, f->width(), 70));
  EXPECT_EQ(f->StatusBar1->geometry(), QRect(0, f->height() - 36, f->width(), 36));
  EXPECT_EQ(Status().toStdString(),
            " Load or design an instrument by drawing the frequencies and setting the main "
            "frequency of your instrument.");

  EXPECT_EQ(f->btnImport->Hint(), "Load Instrument or Import Wav file");
  EXPECT_EQ(f->btnSave->Hint(), "Save Instrument");
  EXPECT_EQ(f->btnDrawTool->Hint(), "Draw Frequencies Tool, Double Click to Clear");
  EXPECT_EQ(f->btnBaseFreq->Hint(), "Select Instrument Main Frequency");
  EXPECT_EQ(f->btnMorphV->Hint(), "Adjust volume of frequencies");
  EXPECT_EQ(f->btnMorphH->Hint(), "Adjust Frequency bands");
  EXPECT_EQ(f->btnMidi->Hint(), "Select Midi Instrument");

  // Left to right, each tool button 64 × 64 inside its flat panel.
  const std::vector<QWidget*> order = {f->btnImport,     f->btnSave,     f->PanelDrawTool,
                                       f->PanelBaseFreq, f->PanelMorphV, f->PanelMorphH,
                                       f->PanelMidi};
  for (size_t i = 1; i < order.size(); ++i)
    EXPECT_EQ(order[i]->x(), order[i - 1]->geometry().right() + 1) << i;
  const std::vector<std::pair<TPanel*, TImage*>> tools = {{f->PanelDrawTool, f->btnDrawTool},
                                                          {f->PanelBaseFreq, f->btnBaseFreq},
                                                          {f->PanelMorphV, f->btnMorphV},
                                                          {f->PanelMorphH, f->btnMorphH}};
  for (auto [panel, button] : tools) {
    EXPECT_EQ(panel->BevelOuter(), TBevelCut::bvSpace);
    EXPECT_EQ(panel->BevelWidth(), 2);
    EXPECT_EQ(button->parentWidget(), panel);
    EXPECT_EQ(button->size(), QSize(64, 64));
    EXPECT_TRUE(panel->rect().contains(button->geometry()));
  }
  EXPECT_TRUE(f->Panel2->isHidden());
  EXPECT_EQ(f->Panel2->parentWidget(), f->Panel1);

  EXPECT_FALSE(f->MouseIsDown || f->DrawToolMode || f->BaseFreqMode || f->MorphVMode ||
               f->MorphHMode);
  EXPECT_EQ(f->LastDrawBin, 0);
  EXPECT_EQ(f->DrawBin, 0);
  EXPECT_EQ(f->MidiChannel, 0);
}

TEST_F(Editor, ToolButtonTogglesItsModeAndOtherToolsEndSilently) {
  // Real clicks on the button: on, then off.
  QTest::mouseClick(f->btnMorphH, Qt::LeftButton);
  EXPECT_TRUE(f->MorphHMode);
  EXPECT_EQ(f->PanelMorphH->BevelOuter(), TBevelCut::bvLowered);
  EXPECT_EQ(Status(),
            "Frequency band change mode started. You can drag bands to higher and lower "
            "freqencies.");
  QTest::mouseClick(f->btnMorphH, Qt::LeftButton);
  EXPECT_FALSE(f->MorphHMode);
  EXPECT_EQ(f->PanelMorphH->BevelOuter(), TBevelCut::bvSpace);
  EXPECT_EQ(Status(), "Frequency band change mode ended.");

  f->btnMorphV->Click();
  EXPECT_EQ(Status(),
            "Frequency volume change mode started. You can drag bands to higher and lower "
            "volumes.");
  // Another tool ends the first without the first's "ended" text.
  f->btnDrawTool->Click();
  EXPECT_FALSE(f->MorphVMode);
  EXPECT_EQ(f->PanelMorphV->BevelOuter(), TBevelCut::bvSpace);
  EXPECT_TRUE(f->DrawToolMode);
  EXPECT_EQ(f->PanelDrawTool->BevelOuter(), TBevelCut::bvLowered);
  EXPECT_EQ(Status(), "Please draw the instrument volumes for each frequency.");

  f->btnBaseFreq->Click();
  EXPECT_FALSE(f->DrawToolMode);
  EXPECT_EQ(f->PanelDrawTool->BevelOuter(), TBevelCut::bvSpace);
  EXPECT_TRUE(f->BaseFreqMode);
  EXPECT_EQ(Status(), "Please point to the instrument main frequency.");
  MainBin = 4095;
  f->btnBaseFreq->Click();
  EXPECT_FALSE(f->BaseFreqMode);
  EXPECT_EQ(Status(),
            "Instrument main frequency selection is finallized. Main frequency at: "
            "12,000.00Hz");

  f->btnDrawTool->Click();
  EXPECT_EQ(Status(), "Please draw the instrument volumes for each frequency.");
  f->btnDrawTool->Click();
  EXPECT_EQ(Status(), "Instrument drawing is ended.");

  f->btnMorphV->Click();
  f->EndAllModes();
  EXPECT_FALSE(f->DrawToolMode || f->BaseFreqMode || f->MorphVMode || f->MorphHMode);
  for (TPanel* panel : {f->PanelDrawTool, f->PanelBaseFreq, f->PanelMorphV, f->PanelMorphH})
    EXPECT_EQ(panel->BevelOuter(), TBevelCut::bvSpace);
}

TEST_F(Editor, PreviewSoundFollowsTheToolsWhileNotPlaying) {
  f->btnDrawTool->Click();
  EXPECT_TRUE(AudioOpen);
  EXPECT_TRUE(device_.IsOpen());
  f->btnMorphH->Click();  // draw -> band shift keeps the same output
  f->btnMorphV->Click();
  EXPECT_TRUE(device_.IsOpen());
  EXPECT_EQ(device_.OpenCount(), 1);
  f->btnBaseFreq->Click();  // the main-frequency tool has no preview
  EXPECT_FALSE(AudioOpen);
  EXPECT_FALSE(device_.IsOpen());

  f->btnMorphH->Click();
  EXPECT_EQ(device_.OpenCount(), 2);
  f->btnMorphH->Click();  // turning a tool off
  EXPECT_FALSE(device_.IsOpen());

  f->btnMorphV->Click();
  EXPECT_TRUE(device_.IsOpen());
  f->EndAllModes();
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.OpenCount(), 3);
}

TEST_F(Editor, ToolsNeverTouchTheOutputWhilePlaying) {
  Playing = true;
  f->btnDrawTool->Click();
  EXPECT_FALSE(AudioOpen);  // no preview over the playing window's output
  EXPECT_EQ(device_.OpenCount(), 0);

  StartAudio(1);
  // Called through a local: see the note on vptr checking in the top-level CMakeLists.txt.
  TFormInstrument* const form = f;
  for (auto click : {&TFormInstrument::btnMorphVClick, &TFormInstrument::btnBaseFreqClick,
                     &TFormInstrument::btnBaseFreqClick, &TFormInstrument::btnMorphHClick,
                     &TFormInstrument::btnMorphHClick})
    (form->*click)();
  f->EndAllModes();
  EXPECT_TRUE(AudioOpen);
  EXPECT_TRUE(device_.IsOpen());
  EXPECT_EQ(device_.OpenCount(), 1);
}

TEST_F(Editor, DrawDragFillsTheBinsBetweenOnAStraightLine) {
  f->btnDrawTool->Click();
  const int x1 = 100, y1 = 400, x2 = 140, y2 = 200;
  Press(x1, y1);
  EXPECT_TRUE(f->MouseIsDown);
  const int b1 = BinOf(x1), b2 = BinOf(x2);
  EXPECT_EQ(f->LastDrawBin, b1);
  EXPECT_EQ(InstrumentSpectrum[b1][0], AmpOf(y1));
  EXPECT_EQ(Status(), "Freq: " + FloatToStrF(BinFrequency[b1], TFloatFormat::ffNumber, 5, 2) +
                          "Hz  Volume: " + FloatToStrF(AmpOf(y1), TFloatFormat::ffNumber, 5, 3));
  Move(x2, y2);
  EXPECT_EQ(f->DrawBin, b2);
  EXPECT_EQ(f->LastDrawBin, b2);
  const float a1 = AmpOf(y1), a2 = AmpOf(y2);
  EXPECT_EQ(InstrumentSpectrum[b2][0], a2);
  for (int b = b1; b <= b2; ++b) {
    const double line = a1 + (a2 - a1) * double(b - b1) / (b2 - b1);
    EXPECT_NEAR(InstrumentSpectrum[b][0], line, 1e-6) << b;
    EXPECT_TRUE(LanesAgree(b)) << b;
  }
  EXPECT_EQ(InstrumentSpectrum[b1 - 1][0], 0.0f);
  EXPECT_EQ(InstrumentSpectrum[b2 + 1][0], 0.0f);

  // A move within the same column changes only that bin.
  const std::vector<float> before = Snapshot();
  Move(x2, 300);
  const std::vector<float> after = Snapshot();
  for (int b = 0; b < BinCount; ++b) {
    if (b == b2) continue;
    ASSERT_EQ(after[b], before[b]) << b;
  }
  EXPECT_EQ(after[b2], AmpOf(300));

  // Leftward, with the pointer beyond the window: clamped to column 0 and row 0.
  Move(-50, -50);
  EXPECT_EQ(f->DrawBin, 0);
  EXPECT_EQ(InstrumentSpectrum[0][0], AmpOf(0));
  EXPECT_GT(AmpOf(0), 1.0f);
  Release(-50, -50);
  EXPECT_FALSE(f->MouseIsDown);
  Move(500, 300);  // no drag any more
  EXPECT_EQ(InstrumentSpectrum[BinOf(500)][0], 0.0f);
}

TEST_F(Editor, DrawMoveRepaintsTheFilledColumnsOnTheCanvasAtOnce) {
  MainBin = 4095;  // no red rule among these columns
  f->btnDrawTool->Click();
  const int x1 = 300, y1 = 500, x2 = 360, y2 = 150;
  Press(x1, y1);
  f->repaint();  // the full paint that the press asked for
  Move(x2, y2);
  // No paint event has run: the columns were drawn straight onto the canvas.
  const float q = float(4095.0 / (f->width() - 1));
  for (int x = x1; x < x2; ++x) {
    const int b = int(std::nearbyint(q * float(x)));
    const int top = Top(InstrumentSpectrum[b][0]);
    ASSERT_LT(top + 2, T() - 1);
    EXPECT_EQ(Px(x, T() - 1), kGreen) << x;
    EXPECT_EQ(Px(x, top + 2), kGreen) << x;
    EXPECT_EQ(Px(x, top + 1), kWhite) << x;  // one pixel shorter than the full paint
    EXPECT_EQ(Px(x, P() + 1), kWhite) << x;
  }
  // The stroke under the pointer: green up to the pointer's row, white above it.
  EXPECT_EQ(Px(x2, y2 + 1), kGreen);
  EXPECT_EQ(Px(x2, y2 - 1), kWhite);
  EXPECT_EQ(Px(x2 + 1, y2 + 1), kWhite);
}

TEST_F(Editor, MainFrequencyDragClampsToTheWindow) {
  f->btnBaseFreq->Click();
  Press(600, 300);
  EXPECT_EQ(MainBin, BinOf(600));
  EXPECT_EQ(Status(), "Main frequency at: " +
                          FloatToStrF(BinFrequency[BinOf(600)], TFloatFormat::ffNumber, 5, 2) +
                          "Hz");
  Move(f->width() + 200, 300);
  EXPECT_EQ(MainBin, 4095);
  EXPECT_EQ(Status(), "Main frequency at: 12,000.00Hz");
  Move(-10, 300);
  EXPECT_EQ(MainBin, 0);
  Release(-10, 300);
  const std::vector<float> zero(BinCount, 0.0f);
  EXPECT_EQ(Snapshot(), zero);
}

TEST_F(Editor, BandShiftMovesTheAnchorByTheFullDistanceAndTheEdgesNot) {
  Resize(4096);  // column x shows bin x
  for (int b : {1936, 1937, 2000, 2010, 2063, 2064}) SetBin(b, float(b) / 4096.0f);
  const std::vector<float> before = Snapshot();
  f->btnMorphH->Click();
  Press(2000, 300);
  EXPECT_EQ(Snapshot(), before);  // the press moves nothing
  Move(2010, 300);
  EXPECT_EQ(InstrumentSpectrum[2010][0], before[2000]);
  EXPECT_EQ(InstrumentSpectrum[2019][0], before[2010]);
  EXPECT_EQ(InstrumentSpectrum[2000][0], 0.0f);
  for (int b : {1936, 1937, 2063, 2064}) EXPECT_EQ(InstrumentSpectrum[b][0], before[b]) << b;
  EXPECT_TRUE(LanesAgree(2010) && LanesAgree(2019) && LanesAgree(2000));

  // The anchor followed the pointer: back by 10 brings bin 2010 home to 2000.
  Move(2000, 300);
  EXPECT_EQ(InstrumentSpectrum[2000][0], before[2000]);
  Release(2000, 300);
  EXPECT_EQ(MainBin, 1024);
}

TEST_F(Editor, BandShiftDownNeverReachesBinZero) {
  Resize(4096);
  for (int b = 0; b <= 70; ++b) SetBin(b, 1.0f + b);
  double sum = 0;
  for (int b = 0; b <= 70; ++b) sum += 1.0 + b;
  f->btnMorphH->Click();
  Press(5, 300);
  Move(-5, 300);  // ten bins down, past the window's edge
  EXPECT_EQ(InstrumentSpectrum[0][0], 1.0f);
  EXPECT_GE(InstrumentSpectrum[5][0], 6.0f);  // its target would be bin -5: it stays
  double after = 0;
  for (int b = 0; b < BinCount; ++b) after += InstrumentSpectrum[b][0];
  EXPECT_DOUBLE_EQ(after, sum);
  // An anchor more than 64 bins outside the window has no bins to move.
  Move(-400, 300);
  const std::vector<float> held = Snapshot();
  Move(-500, 300);
  Move(-300, 300);
  EXPECT_EQ(Snapshot(), held);
}

TEST_F(Editor, VolumeMorphScalesTheAnchorMostAndCanTurnNegative) {
  Resize(4096);
  for (int b = 1900; b <= 2100; ++b) SetBin(b, 0.25f);
  f->btnMorphV->Click();
  const int y0 = 400, y1 = 380;
  Press(2000, y0);
  Move(2300, y1);  // the anchor stays where the press was
  const int D = T() - 1 - P();
  const double k = (4.0 * y0 / D + 0.5) * (double(y0 - y1) / D);
  EXPECT_NEAR(InstrumentSpectrum[2000][0] / 0.25, 1 + 2 * k, 1e-5);
  EXPECT_GT(InstrumentSpectrum[2064][0], 0.25f);
  EXPECT_NEAR(InstrumentSpectrum[2064][0] / 0.25, 1.0, 1e-3);
  EXPECT_NEAR(InstrumentSpectrum[1936][0] / 0.25, 1.0, 1e-3);
  EXPECT_EQ(InstrumentSpectrum[2065][0], 0.25f);
  EXPECT_EQ(InstrumentSpectrum[1935][0], 0.25f);
  EXPECT_GT(InstrumentSpectrum[2000][0], InstrumentSpectrum[2030][0]);
  EXPECT_TRUE(LanesAgree(2000));
  Release(2300, y1);

  // From low in the window, a long fast drag downward.
  Press(2000, T() - 2);
  Move(2000, T() - 2 + 3 * D);
  EXPECT_LT(InstrumentSpectrum[2000][0], 0.0f);
  Release(2000, T() - 2 + 3 * D);
  f->repaint();
  // A negative bar hangs below the first row of the status bar.
  EXPECT_EQ(Px(2000, T() + 1), kGreen);
  EXPECT_EQ(Px(2000, T() - 1), kWhite);
}

TEST_F(Editor, DoubleClickOnTheDrawToolClearsTheInstrument) {
  for (int b = 0; b < BinCount; b += 3) SetBin(b, 0.5f);
  MainBin = 2222;
  QTest::mouseDClick(f->btnDrawTool, Qt::LeftButton);
  const std::vector<float> zero(BinCount, 0.0f);
  EXPECT_EQ(Snapshot(), zero);
  for (int b = 0; b < BinCount; ++b) ASSERT_TRUE(LanesAgree(b));
  EXPECT_EQ(MainBin, 2222);
  EXPECT_EQ(Status(), "Instrument has been cleared.");
}

TEST_F(Editor, MouseWithoutAToolChangesNothing) {
  for (int b = 0; b < BinCount; b += 5) SetBin(b, 0.3f);
  const std::vector<float> before = Snapshot();
  const QString status = Status();
  Press(200, 300);
  Move(400, 100);
  Release(400, 100);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(MainBin, 1024);
  EXPECT_EQ(Status(), status);
  EXPECT_FALSE(f->MouseIsDown);
}

TEST_F(Editor, ClicksOnTheToolbarAndStatusBarAreNoEdits) {
  f->btnDrawTool->Click();
  QTest::mouseClick(f->btnBaseFreq, Qt::LeftButton);
  EXPECT_TRUE(f->BaseFreqMode);
  QTest::mouseClick(f->Panel1, Qt::LeftButton, {}, QPoint(f->width() - 20, 20));
  QTest::mouseClick(f->StatusBar1, Qt::LeftButton, {}, QPoint(300, 10));
  EXPECT_EQ(MainBin, 1024);
  f->btnDrawTool->Click();
  QTest::mouseClick(f->btnMorphV, Qt::LeftButton);
  EXPECT_FALSE(f->MouseIsDown);
  const std::vector<float> zero(BinCount, 0.0f);
  EXPECT_EQ(Snapshot(), zero);
}

TEST_F(Editor, FullPaintOneBinPerColumnAt4096Pixels) {
  Resize(4096);
  for (int b = 0; b < BinCount; ++b) SetBin(b, float(b % 9) / 8.0f);
  MainBin = 3000;
  Repaint();
  for (int x : {1, 2, 7, 8, 9, 18, 100, 2999, 3001, 4095}) {
    const float a = InstrumentSpectrum[x][0];
    const int top = Top(a);
    EXPECT_EQ(Px(x, T() - 1), a > 0 ? kGreen : kWhite) << x;
    if (a > 0) {
      EXPECT_EQ(Px(x, top + 1), kGreen) << x;
      EXPECT_EQ(Px(x, top), kWhite) << x;  // the line leaves out its end point
    }
  }
  // Amplitude 1.0 reaches row P, which its line leaves out.
  EXPECT_EQ(Px(8, P() + 1), kGreen);
  EXPECT_EQ(Px(8, P()), kWhite);
  // One bin per column: no look-ahead, so a silent bin leaves its column empty even though
  // the next bin sounds.
  EXPECT_EQ(Px(9, T() - 1), kWhite);
  // Bin 0 is silent, so the red rule is the main bin's own column.
  EXPECT_EQ(Px(3000, T() - 1), kRed);
  EXPECT_EQ(Px(3001, T() - 1), kGreen);
}

TEST_F(Editor, LookAheadShowsTheFirstSoundingBinOfAColumn) {
  MainBin = 4095;
  // 1300 pixels: column 500 shows bin 1576, column 501 bin 1579; 1577 and 1578 only through
  // column 500's look-ahead, and the first sounding one of them decides.
  const float q = float(4095.0 / 1299);
  ASSERT_EQ(int(std::nearbyint(q * 500.0f)), 1576);
  ASSERT_EQ(int(std::nearbyint(q * 501.0f)), 1579);
  SetBin(1577, 0.25f);
  SetBin(1578, 0.75f);
  Repaint();
  EXPECT_EQ(Px(500, Top(0.25f) + 1), kGreen);
  EXPECT_EQ(Px(500, Top(0.25f)), kWhite);
  for (int c : {498, 499, 501, 502}) EXPECT_EQ(Px(c, T() - 1), kWhite) << c;
  SetBin(1577, 0.0f);
  Repaint();
  EXPECT_EQ(Px(500, Top(0.75f) + 1), kGreen);

  // The last column shows bin 4095 and looks no further; the one before looks ahead to it.
  SetBin(4094, 0.75f);
  Repaint();
  EXPECT_EQ(Px(1299, T() - 1), kWhite);
  EXPECT_EQ(Px(1298, T() - 1), kGreen);
  SetBin(4095, 0.25f);
  Repaint();
  EXPECT_EQ(Px(1299, T() - 1), kRed);  // bin 4095 is also the main bin
  EXPECT_EQ(Px(1299, Top(0.25f) + 1), kRed);
}

TEST_F(Editor, LookAheadReachesFiveBinsAtMost) {
  Resize(640);  // more than six bins per column
  MainBin = 4095;
  const float q = float(4095.0 / 639);
  int x = 3;
  auto bin = [&](int c) { return int(std::nearbyint(q * float(c))); };
  while (bin(x + 1) - bin(x) != 7) ++x;  // a column followed by a gap of six bins
  SetBin(bin(x) + 6, 0.5f);
  Repaint();
  for (int c = x - 2; c <= x + 2; ++c) EXPECT_EQ(Px(c, T() - 1), kWhite) << c;
  SetBin(bin(x) + 5, 0.5f);
  Repaint();
  EXPECT_EQ(Px(x, T() - 1), kGreen);
}

TEST_F(Editor, WideWindowRedRulesDifferBetweenTheTwoPainters) {
  Resize(8191);  // two columns per bin
  for (int b = 900; b <= 1100; ++b) SetBin(b, 0.5f);
  MainBin = 1000;
  Repaint();
  auto reds = [&] {
    int n = 0;
    for (int x = 0; x < f->width(); ++x) n += Px(x, T() - 1) == kRed;
    return n;
  };
  EXPECT_EQ(reds(), 1);
  f->PaintSpectrumColumns(0, f->width() - 1);
  EXPECT_GT(reds(), 1);
  EXPECT_EQ(Px(2000, T() - 1), kRed);  // column 2000 shows bin 1000
}

TEST_F(Editor, SilentSpectrumAndBarsBeyondTheDrawingArea) {
  Repaint();
  for (int y = P(); y < T(); y += 7)
    for (int x = 0; x < f->width(); x += 13) ASSERT_EQ(Px(x, y), kWhite);
  // The column repaint clears its columns from the status bar up to the toolbar.
  f->Canvas().Brush.Color = kRed;
  f->Canvas().FillRect(0, 0, 50, f->height());
  f->PaintSpectrumColumns(10, 20);
  for (int y = P() + 1; y <= T() + 1; ++y) ASSERT_EQ(Px(15, y), kWhite) << y;
  EXPECT_EQ(Px(9, P() + 1), kRed);
  EXPECT_EQ(Px(21, P() + 1), kRed);
  f->PaintSpectrumColumns(20, 10);  // an empty range
  EXPECT_EQ(Px(21, P() + 1), kRed);

  const float q = float(4095.0 / 1299);
  SetBin(int(std::nearbyint(q * 400.0f)), 1.5f);
  SetBin(int(std::nearbyint(q * 700.0f)), -0.2f);
  Repaint();
  EXPECT_EQ(Px(400, P() - 1), kGreen);  // above row P, under the toolbar
  EXPECT_EQ(Px(700, T() + 1), kGreen);  // below T, under the status bar
  EXPECT_EQ(Px(700, T() - 1), kWhite);
  // Amplitudes far beyond the window stay within the canvas.
  SetBin(int(std::nearbyint(q * 400.0f)), 3.0e38f);
  SetBin(int(std::nearbyint(q * 700.0f)), -3.0e38f);
  Repaint();
  EXPECT_EQ(Px(400, 0), kGreen);
  EXPECT_EQ(Px(700, f->height() - 1), kGreen);
}

TEST_F(Editor, NoiseReductionRepaintsTheEditor) {
  SetBin(1500, 0.0001f);
  SetBin(1600, 0.5f);
  f->Canvas().Brush.Color = kRed;
  f->Canvas().FillRect(0, P(), f->width(), T());
  ApplyNoiseReduction();
  QTest::qWait(20);
  f->repaint();
  EXPECT_EQ(InstrumentSpectrum[1500][0], 0.0f);
  EXPECT_EQ(Px(10, P() + 5), kWhite);
}

TEST_F(Editor, PlayButtonEndsTheToolsBeforePlaying) {
  // The main window's capture components need the DirectShow classes and COM, as at the
  // program's start-up.
  RegisterDirectShowRuntime();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  FormLumatap = new TFormLumatap;
  f->btnMorphV->Click();
  ASSERT_EQ(device_.OpenCount(), 1);
  FormLumatap->btnPlayClick();
  EXPECT_FALSE(f->MorphVMode);
  EXPECT_EQ(f->PanelMorphV->BevelOuter(), TBevelCut::bvSpace);
  // The preview closed before the playing output opened.
  EXPECT_TRUE(Playing);
  EXPECT_TRUE(device_.IsOpen());
  EXPECT_EQ(device_.OpenCount(), 2);
  FormLumatap->btnPauseClick();
  delete FormLumatap;
  FormLumatap = nullptr;
  CoUninitialize();
}

TEST(NumberFormat, RoundsHalvesAwayAndGroupsThousands) {
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(FloatToStrF(7902.1328125, TFloatFormat::ffNumber, 5, 2), "7,902.13");
  EXPECT_EQ(FloatToStrF(12000.0, TFloatFormat::ffNumber, 5, 2), "12,000.00");
  EXPECT_EQ(FloatToStrF(1234567.891, TFloatFormat::ffNumber, 5, 2), "1,234,567.89");
  EXPECT_EQ(FloatToStrF(27.52, TFloatFormat::ffNumber, 5, 2), "27.52");
  EXPECT_EQ(FloatToStrF(0.0625, TFloatFormat::ffNumber, 5, 3), "0.063");
  EXPECT_EQ(FloatToStrF(0.9995, TFloatFormat::ffNumber, 5, 3), "1.000");
  EXPECT_EQ(FloatToStrF(999.996, TFloatFormat::ffNumber, 5, 2), "1,000.00");
  EXPECT_EQ(FloatToStrF(0.0, TFloatFormat::ffNumber, 5, 3), "0.000");
  EXPECT_EQ(FloatToStrF(0.004, TFloatFormat::ffNumber, 5, 2), "0.00");
  EXPECT_EQ(FloatToStrF(0.006, TFloatFormat::ffNumber, 5, 2), "0.01");
  EXPECT_EQ(FloatToStrF(-1234.5, TFloatFormat::ffNumber, 5, 2), "-1,234.50");
  EXPECT_EQ(FloatToStrF(-0.0004, TFloatFormat::ffNumber, 5, 3), "0.000");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FloatToStrF(7902.1328125, TFloatFormat::ffNumber, 5, 2), "7.902,13");
  QLocale::setDefault(QLocale::system());
}

}  // namespace
