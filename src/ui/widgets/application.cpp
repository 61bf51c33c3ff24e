#include "ui/widgets/application.h"

#include <QApplication>
#include <QWidget>

TApplication Application;

int Scale(int designed) {
  if (!Application.Scaled) return designed;
  const long long product = static_cast<long long>(designed) * 96;
  const long long half = DesignedPixelsPerInch / 2;
  return static_cast<int>(product >= 0 ? (product + half) / DesignedPixelsPerInch
                                       : (product - half) / DesignedPixelsPerInch);
}

void TApplication::Initialize() {
  // Closing the settings or instrument window only hides it; the main window ends the loop.
  QApplication::setQuitOnLastWindowClosed(false);
}

int TApplication::Run() {
  if (MainForm) MainForm->show();
  return QApplication::exec();
}

void TApplication::Terminate() { QCoreApplication::quit(); }
