// The program as a user runs it, for the tests that end it with a signal from another process.
// It plays into ALSA's null device and records into the file named on the command line (the
// save dialog answers with it; every other box and dialog is the real one). Once some blocks
// are on disk it creates the ready file; asked for a box or a dialog, it first opens a message
// box or the instrument editor's import dialog and creates the ready file while that is open.
//   recording_program WAV READY [message|file-dialog]
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>

#include "app/lumatap.h"
#include "engine/recording.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/widgets/dialogs_qt.h"

namespace {

// Blocks of 1024 samples on disk before the program says it is ready.
constexpr int32_t kReadyBytes = 8 * 2048;

class SaveTo : public QtDialogService {
 public:
  explicit SaveTo(std::string file) : file_(std::move(file)) {}
  bool ExecuteSave(TSaveDialog& dialog) override {
    dialog.FileName = file_;
    return true;
  }

 private:
  std::string file_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s WAV READY [message|file-dialog]\n", argv[0]);
    return 2;
  }
  const std::string wav = argv[1], ready = argv[2], open = argc > 3 ? argv[3] : "";
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("LUMATAP_CAMERA", "none", 1);
  setenv("LUMATAP_AUDIO_DEVICE", "null", 1);
  QApplication app(argc, argv);
  SaveTo dialogs(wav);
  SetDialogService(&dialogs);
  const auto markReady = [&ready] { std::ofstream(ready) << "ready\n"; };

  // Once the dialog runs its own loop, the program is ready.
  QTimer modalUp;
  modalUp.setInterval(5);
  QObject::connect(&modalUp, &QTimer::timeout, [&] {
    if (!QApplication::activeModalWidget()) return;
    modalUp.stop();
    markReady();
  });
  // On the program's loop: play and record once the main window is up, then wait for blocks.
  bool started = false;
  QTimer user;
  user.setInterval(5);
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (!FormLumatap || !FormLumatap->isVisible()) return;
    if (!started) {
      started = true;
      FormLumatap->btnPlay->Click();
      FormLumatap->btnRecord->Click();
      return;
    }
    if (RecordedBytes.load() < kReadyBytes) return;
    user.stop();
    if (open.empty()) return markReady();
    modalUp.start();
    if (open == "message")
      ShowMessage("A box the signal finds open.");
    else
      FormInstrument->btnImport->Click();
  });
  user.start();

  const int code = RunLumatap(argc, argv);
  SetDialogService(nullptr);
  return code;
}
