#include "support/recording_dialogs.h"

bool RecordingDialogs::AskYesNo(const std::string& caption, const std::string& text) {
  questions.push_back(caption + "|" + text);
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

bool RecordingDialogs::Choose(TFileDialog& dialog) {
  dialogTitles.push_back(dialog.Title);
  dialogsSeen.push_back(dialog);
  if (fileNames.empty()) return false;
  dialog.FileName = fileNames.front();
  fileNames.pop_front();
  return true;
}
