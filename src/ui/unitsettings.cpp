#include "ui/unitsettings.h"

#include "ui/widgets/application.h"

TFormSettings* FormSettings = nullptr;

TFormSettings::TFormSettings(QWidget* parent) : TForm(parent, Qt::Tool) {
  setWindowTitle("Lumatap Synth Settings");
  SetColor(Qt::white);
  SetDesignedConstraints(640, 480, 4000, 3000);
  // Designed at 818, 325 with a width of 1197; the main window places it when showing it.
  move(Scale(818), Scale(325));
  SetDesignedSize(1197, 480);
}
