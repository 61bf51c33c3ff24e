#include "support/program_windows.h"

#include <QLocale>
#include <algorithm>

#include "app/lumatap.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

void FreeVoices() {
  for (TVoice& voice : Voices) {
    voice.Id = 0;
    voice.State = vsFree;
  }
}

ProgramWindows::ProgramWindows(bool scaled)
    : scaled_(Application.Scaled), volume_(InstrumentVolume) {
  Application.Scaled = scaled;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  FreeVoices();
  InstallEngineHooks();
  CreateForms();
}

ProgramWindows::~ProgramWindows() {
  // As at the program's end: the main window's destruction stops the sound and the recording.
  DestroyForms();
  Playing = false;
  MidiMode = false;
  VolumeDragging = false;
  TouchCapable = TouchRegistered = TouchOffered = WebcamInUse = false;
  NoteIdCounter = MouseNoteId = CamNoteId = 0;
  std::fill(std::begin(NoteEnabled), std::end(NoteEnabled), true);
  FreeVoices();
  InstrumentVolume = volume_;
  ClipVolume = InstrumentVolume[0];
  QLocale::setDefault(QLocale::system());
  Application.Scaled = scaled_;
}
