// The program's three windows, made as its main block makes them (main window, settings,
// instrument editor) and destroyed in the reverse order; on destruction everything the windows
// share through globals is set back, so that one test cannot leak into the next.
#pragma once

class ProgramWindows {
 public:
  // scaled: designed sizes follow the screen density; without, designed pixels are window
  // pixels, which keeps the arithmetic of a test simple. Numbers are shown in English.
  explicit ProgramWindows(bool scaled = false);
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

 private:
  bool scaled_;
};
