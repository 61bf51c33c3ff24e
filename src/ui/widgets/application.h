// The application object of the windows: title, scaling of designed sizes, the message loop.
#pragma once

#include <string>

class QWidget;

class TApplication {
 public:
  std::string Title;    // caption of message boxes
  bool Scaled = false;  // designed sizes follow the screen's pixel density
  QWidget* MainForm = nullptr;

  void Initialize();
  // Shows the main window and runs the message loop until it closes.
  int Run();
  void Terminate();
};

extern TApplication Application;

// The windows are designed at 144 pixels per inch; Qt's logical pixels are 1/96 inch and it
// maps them to the screen's density itself. Rounds like MulDiv.
inline constexpr int DesignedPixelsPerInch = 144;
int Scale(int designed);
