// A dialog service for tests: records every message and question and answers from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/win/dialogs.h"

class RecordingDialogs : public DialogService {
 public:
  RecordingDialogs() : previous_(SetDialogService(this)) {}
  ~RecordingDialogs() override { SetDialogService(previous_); }

  std::vector<std::string> messages;
  std::vector<std::string> questions;     // "caption|text"
  std::vector<std::string> dialogTitles;  // titles of the file dialogs run
  std::deque<bool> answers;               // Yes/No answers in order; No when empty
  std::deque<std::string> fileNames;      // chosen files in order; cancel when empty
  std::vector<TFileDialog> dialogsSeen;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  bool ExecuteOpen(TOpenDialog& dialog) override { return Choose(dialog); }
  bool ExecuteSave(TSaveDialog& dialog) override { return Choose(dialog); }

 private:
  bool Choose(TFileDialog& dialog);
  DialogService* previous_;
};
