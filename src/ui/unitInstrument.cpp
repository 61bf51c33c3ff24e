#include "ui/unitInstrument.h"

TFormInstrument* FormInstrument = nullptr;

TFormInstrument::TFormInstrument(QWidget* parent) : TForm(parent, Qt::Tool) {
  setWindowTitle("Lumatap Synth Instrument");
  SetColor(Qt::white);
  SetDesignedSize(1300, 651);
  SetDesignedConstraints(640, 480, 16000, 16000);
}

// The editor has no tools yet, so there is nothing to end.
void TFormInstrument::EndAllModes() {}
