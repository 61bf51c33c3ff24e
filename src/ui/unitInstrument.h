// The instrument editor: drawing and reshaping the spectrum, instrument files, MIDI output.
#pragma once

#include "ui/widgets/form.h"

class TFormInstrument : public TForm {
  Q_OBJECT
 public:
  explicit TFormInstrument(QWidget* parent = nullptr);

  // Ends every editing tool and its preview sound.
  void EndAllModes();
};

extern TFormInstrument* FormInstrument;
