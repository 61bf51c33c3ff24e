// The instrument editor: drawing and reshaping the spectrum, instrument files, MIDI output.
#pragma once

#include <cstdint>

#include "ui/widgets/form.h"

// True once MIDI mode has been entered; never set back.
extern bool MidiMode;

class TFormInstrument : public TForm {
  Q_OBJECT
 public:
  explicit TFormInstrument(QWidget* parent = nullptr);

  // Volume in the layout of midiOutSetVolume: left in the low 16 bits, right in the high.
  uint32_t MidiVolume = 0;

  // Ends every editing tool and its preview sound.
  void EndAllModes();

  // The MIDI note operations of the main window's input paths, only used in MIDI mode.
  void MidiNoteOn(uint32_t id, uint8_t note, uint8_t velocity);
  void MidiNoteChange(uint32_t id, uint8_t note, uint8_t velocity);
  void MidiNoteOff(uint32_t id);
};

extern TFormInstrument* FormInstrument;
