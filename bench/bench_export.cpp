// Rendering the instrument's main note to a WAV file from the editor's save button: attack 1,
// release 200, so 241 blocks (5.14 s of sound) computed on the calling thread and its
// calculation threads and written to disk. The x_realtime counter is seconds of sound per
// second of rendering; the argument is the number of calculation threads.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "engine/waves.h"
#include "support/program_windows.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

// Answers every save dialog with the same file.
class SaveTo : public DialogService {
 public:
  explicit SaveTo(std::string name) : name_(std::move(name)) {}
  void ShowMessage(const std::string& text) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::abort();
  }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  bool ExecuteOpen(TOpenDialog&) override { return false; }
  bool ExecuteSave(TSaveDialog& dialog) override {
    dialog.FileName = name_;
    return true;
  }

 private:
  std::string name_;
};

void BM_ExportMainNote(benchmark::State& state) {
  QTemporaryDir dir;
  SaveTo dialogs(dir.filePath("note.wav").toStdString());
  DialogService* previous = SetDialogService(&dialogs);
  ProgramWindows windows;
  FormSettings->TrackBarAttackTime->SetPosition(1);
  FormSettings->TrackBarReleaseTime->SetPosition(200);
  // A full instrument: every bin sounds, as after a WAV import.
  for (int b = 0; b < BinCount; ++b) InstrumentSpectrum[b].Fill(0.02f * float(b % 7 + 1) / 7.0f);
  MainBin = 1024;
  // Calculation threads per block, as on machines with that many processors.
  const int32_t threads = ThreadCount;
  ThreadCount = static_cast<int32_t>(state.range(0));

  const int blocks = 1 + 200 + 40;
  for (auto _ : state) FormInstrument->btnSaveClick();
  const double soundSeconds = blocks * 1024.0 / 48000.0;
  state.counters["x_realtime"] =
      benchmark::Counter(soundSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
  ThreadCount = threads;
  SetDialogService(previous);
}
BENCHMARK(BM_ExportMainNote)->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  Application.Scaled = false;
  InitWaves(4096);
  InitAudio();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  DoneAudio();
  return 0;
}
