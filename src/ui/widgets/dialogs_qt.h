// The dialog service with real modal boxes and file dialogs.
#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <vector>

#include "platform/win/dialogs.h"

class QWidget;
class QWindow;

// Boxes and file dialogs belong to the window the user is in: they are owned by it and centred
// on it. That is the program's active window; when none is active (as just after a modal dialog
// closed, before the window system has activated the one below it again), the window that was
// active last and is still shown; the main window only when there is neither.
class QtDialogService : public DialogService {
 public:
  QtDialogService();
  ~QtDialogService() override;
  QtDialogService(const QtDialogService&) = delete;
  QtDialogService& operator=(const QtDialogService&) = delete;

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  bool ExecuteOpen(TOpenDialog& dialog) override;
  bool ExecuteSave(TSaveDialog& dialog) override;

  // The window the next box or file dialog belongs to.
  QWidget* OwnerWindow() const;

 private:
  void WindowActivated(QWindow* window);

  // Top-level windows in the order they were last active, the latest at the back; a window
  // that is destroyed drops out by itself.
  std::vector<QPointer<QWidget>> activated_;
  QMetaObject::Connection tracking_;
};

// "wave files|*.wav|All|*.*" becomes "wave files (*.wav);;All (*.*)".
QString ToQtFilter(const std::string& filter);
