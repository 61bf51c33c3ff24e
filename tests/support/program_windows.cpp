#include "support/program_windows.h"

#include <QLocale>

#include "app/lumatap.h"
#include "app/programhost.h"
#include "engine/state.h"
#include "platform/com/com.h"
#include "platform/dshow/runtime.h"
#include "platform/qt/application_qt.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

ProgramWindows::ProgramWindows(bool scaled) : scaled_(Application.Scaled) {
  Application.Scaled = scaled;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  InstallEngineHost();
  ResetEngineState();
  InstallQtApplicationServices();
  // As the program's start-up: the DirectShow classes and quartz.dll registered, COM for this
  // thread before the windows, gone after them.
  RegisterDirectShowRuntime();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  CreateForms();
}

ProgramWindows::~ProgramWindows() {
  // As at the program's end: the main window's destruction stops the sound and the recording.
  DestroyForms();
  CoUninitialize();
  Playing = false;
  MidiMode = false;
  VolumeDragging = false;
  TouchCapable = TouchRegistered = TouchOffered = WebcamInUse = false;
  NoteIdCounter = MouseNoteId = CamNoteId = 0;
  CamPos = CamVolume = CamFreq = 0.0f;
  CamMidiNote = CamVelocity = 0;
  FrameToggle = CamNoteOn = false;
  ResetEngineState();
  QLocale::setDefault(QLocale::system());
  Application.Scaled = scaled_;
}
