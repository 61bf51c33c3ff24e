// The application object: the title its message boxes carry, its main window, its message loop,
// and the services that code below the windows asks of it (handle what is waiting for the
// windows, show an exception). Qt-free: the windows' side installs how messages are processed
// (SetApplicationMessageProcessor); Initialize, Run and Terminate live with the Qt-backed part.
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

  // Handles what is waiting for the windows (posted messages, timers, paints) and returns;
  // user input waits until the handler that called this has returned. Nothing without an
  // installed processor.
  void ProcessMessages();
  // Shows the exception being handled (call it in a catch block) in a message box through the
  // dialog service; never throws. Sender is the object whose handler raised it, or nullptr.
  void HandleException(const void* Sender);
};

extern TApplication Application;

using TMessageProcessor = void (*)();
// Installs what ProcessMessages runs; returns the previous one.
TMessageProcessor SetApplicationMessageProcessor(TMessageProcessor processor);
