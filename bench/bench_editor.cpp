// One mouse move of the instrument editor on a 1300-pixel window, from the mouse event to the
// pixels handed to the window system: the draw tool (bins set and filled, columns redrawn on
// the canvas) and the two morph tools (bins changed, whole window repainted). A 240 Hz mouse
// leaves about 4 ms per move.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>

#include "engine/waves.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/widgets/application.h"

namespace {

// Every bin at half height: each column draws a bar of half the drawing area.
void HalfSpectrum() {
  for (TVec8& bin : InstrumentSpectrum) bin.Fill(0.5f);
}

class Editor {
 public:
  Editor() {
    Application.Scaled = false;
    Playing = true;  // no preview sound: only the editing and the painting are measured
    f = new TFormInstrument;
    FormInstrument = f;
    f->resize(1300, 651);
    f->show();
    if (!QTest::qWaitForWindowExposed(f)) std::abort();
    HalfSpectrum();
    Flush();
  }
  ~Editor() {
    FormInstrument = nullptr;
    delete f;
  }
  // Handles the paint requests the move left, as the event loop does before the next move.
  void Flush() { QCoreApplication::processEvents(); }

  TFormInstrument* f;
};

// Made on first use, after the application object; gone before it.
Editor* g_editor = nullptr;
Editor& TheEditor() {
  if (!g_editor) g_editor = new Editor;
  return *g_editor;
}

void Run(benchmark::State& state, void (TFormInstrument::*tool)(), int dx, int dy) {
  Editor& e = TheEditor();
  TFormInstrument* f = e.f;
  HalfSpectrum();
  (f->*tool)();
  const QPoint start(650, 300);
  QTest::mousePress(f, Qt::LeftButton, {}, start);
  e.Flush();
  int step = 0;
  for (auto _ : state) {
    // Back and forth, so that the spectrum stays in its range.
    const QPoint p = (step++ & 1) ? start : start + QPoint(dx, dy);
    QTest::mouseMove(f, p);
    e.Flush();
    if ((step & 1023) == 0) {
      state.PauseTiming();
      HalfSpectrum();
      state.ResumeTiming();
    }
  }
  QTest::mouseRelease(f, Qt::LeftButton, {}, start);
  f->EndAllModes();
  e.Flush();
}

// Four pixels on the 1300-pixel window: about 13 bins filled and 4 columns redrawn.
void BM_DrawMove(benchmark::State& state) {
  Run(state, &TFormInstrument::btnDrawToolClick, static_cast<int>(state.range(0)), -40);
}
BENCHMARK(BM_DrawMove)->Arg(4)->Arg(40)->Unit(benchmark::kMicrosecond);

void BM_MorphVMove(benchmark::State& state) {
  Run(state, &TFormInstrument::btnMorphVClick, 0, -static_cast<int>(state.range(0)));
}
BENCHMARK(BM_MorphVMove)->Arg(4)->Unit(benchmark::kMicrosecond);

void BM_MorphHMove(benchmark::State& state) {
  Run(state, &TFormInstrument::btnMorphHClick, static_cast<int>(state.range(0)), 0);
}
BENCHMARK(BM_MorphHMove)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  InitWaves(4096);
  InitAudioDefaults();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete g_editor;
  return 0;
}
