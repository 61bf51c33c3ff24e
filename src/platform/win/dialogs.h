// The one place through which the program talks to the user in modal boxes and file dialogs.
// The windows install a service that shows real boxes; tests install one that answers and
// records. With none installed, messages go to standard error and every question is refused.
#pragma once

#include <cstdint>
#include <string>

// File dialog options (a subset of the common dialog flags the windows use).
enum TOpenOption : uint32_t {
  ofOverwritePrompt = 1u << 0,
  ofHideReadOnly = 1u << 1,
  ofPathMustExist = 1u << 2,
  ofFileMustExist = 1u << 3,
  ofNoReadOnlyReturn = 1u << 4,
  ofEnableSizing = 1u << 5,
  ofViewDetail = 1u << 6,
};

// The designed properties of a common open or save dialog and the name chosen.
struct TFileDialog {
  std::string Title;
  std::string Filter;  // "description|pattern|description|pattern..."
  std::string DefaultExt;
  std::string InitialDir;
  std::string FileName;
  uint32_t Options = 0;
};

struct TOpenDialog : TFileDialog {
  // Shows the dialog; true when the user confirmed a file, whose full path is in FileName.
  bool Execute();
};

struct TSaveDialog : TFileDialog {
  bool Execute();
};

class DialogService {
 public:
  virtual ~DialogService() = default;
  // A modal box with one OK button, captioned with the application's title.
  virtual void ShowMessage(const std::string& text) = 0;
  // A modal confirmation box with Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  virtual bool ExecuteOpen(TOpenDialog& dialog) = 0;
  virtual bool ExecuteSave(TSaveDialog& dialog) = 0;
};

// Installs a service and returns the one it replaces (nullptr for none).
DialogService* SetDialogService(DialogService* service);
DialogService* GetDialogService();

void ShowMessage(const std::string& text);
bool AskYesNo(const std::string& caption, const std::string& text);
