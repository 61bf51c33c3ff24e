#include "engine/mainnote.h"

#include <cstring>

#include "engine/host.h"
#include "engine/mixer.h"
#include "engine/recording.h"
#include "engine/tables.h"
#include "engine/voices.h"
#include "platform/win/dialogs.h"

int RenderMainNote(const std::string& FileName) {
  const int32_t attack = AttackPosition();
  const int32_t blocks = attack + ReleasePosition() + 40;
  const bool ownFile = !Recording.load();
  if (!StartRecording(FileName)) return 0;
  // Sound output is stopped: no computation runs for the note operations to wait for.
  CalcBusy.store(0);
  NoteOn(1, BinFrequency[MainBin.load(std::memory_order_relaxed)], 0.9f);
  for (int32_t i = 0; i < blocks; ++i) {
    MixVoices();
    AppendRecording(OutBlock);
    if (i == attack + 39) NoteOff(1);
  }
  const int fault = StopRecording();
  if (fault == 0 || !ownFile) return fault;
  // A note cut short is no export: its file goes.
  RemoveRecordingFile(FileName);
  ShowMessage("Could not export the main note to \"" + FileName + "\": " + std::strerror(fault) +
              ".");
  return 0;
}
