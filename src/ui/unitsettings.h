// The settings window: playing range, attack and release, noise threshold, input method,
// enabled notes.
#pragma once

#include "ui/widgets/form.h"

class TFormSettings : public TForm {
  Q_OBJECT
 public:
  explicit TFormSettings(QWidget* parent = nullptr);
};

extern TFormSettings* FormSettings;
