// The dialog service with real modal boxes and file dialogs.
#pragma once

#include <QString>

#include "platform/win/dialogs.h"

class QtDialogService : public DialogService {
 public:
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  bool ExecuteOpen(TOpenDialog& dialog) override;
  bool ExecuteSave(TSaveDialog& dialog) override;
};

// "wave files|*.wav|All|*.*" becomes "wave files (*.wav);;All (*.*)".
QString ToQtFilter(const std::string& filter);
