#include "ui/unitInstrument.h"

bool MidiMode = false;

TFormInstrument* FormInstrument = nullptr;

TFormInstrument::TFormInstrument(QWidget* parent) : TForm(parent, Qt::Tool) {
  setWindowTitle("Lumatap Synth Instrument");
  SetColor(Qt::white);
  SetDesignedSize(1300, 651);
  SetDesignedConstraints(640, 480, 16000, 16000);
}

// The editor has no tools yet, so there is nothing to end.
void TFormInstrument::EndAllModes() {}

// MIDI mode cannot be entered before the MIDI output exists, so these are never reached.
void TFormInstrument::MidiNoteOn(uint32_t, uint8_t, uint8_t) {}
void TFormInstrument::MidiNoteChange(uint32_t, uint8_t, uint8_t) {}
void TFormInstrument::MidiNoteOff(uint32_t) {}
