#include "ui/widgets/dialogs_qt.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "ui/widgets/application.h"

QString ToQtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    entries << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
  return entries.join(";;");
}

namespace {

QWidget* ActiveParent() {
  QWidget* w = QApplication::activeWindow();
  return w ? w : Application.MainForm;
}

bool RunFileDialog(TFileDialog& d, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(ActiveParent(), QString::fromStdString(d.Title));
  dialog.setAcceptMode(mode);
  dialog.setNameFilters(ToQtFilter(d.Filter).split(";;"));
  QString suffix = QString::fromStdString(d.DefaultExt);
  if (suffix.startsWith('.')) suffix.remove(0, 1);
  dialog.setDefaultSuffix(suffix);
  const QString initial = QString::fromStdString(d.InitialDir);
  if (!initial.isEmpty() && QDir(initial).exists()) dialog.setDirectory(initial);
  if (!d.FileName.empty()) dialog.selectFile(QString::fromStdString(d.FileName));
  if (mode == QFileDialog::AcceptOpen)
    dialog.setFileMode((d.Options & ofFileMustExist) ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  else
    dialog.setFileMode(QFileDialog::AnyFile);
  if (!(d.Options & ofOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setViewMode((d.Options & ofViewDetail) ? QFileDialog::Detail : QFileDialog::List);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  d.FileName = dialog.selectedFiles().first().toStdString();
  return true;
}

}  // namespace

void QtDialogService::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(Application.Title),
                  QString::fromStdString(text), QMessageBox::Ok, ActiveParent());
  box.exec();
}

bool QtDialogService::AskYesNo(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, ActiveParent());
  return box.exec() == QMessageBox::Yes;
}

bool QtDialogService::ExecuteOpen(TOpenDialog& dialog) {
  return RunFileDialog(dialog, QFileDialog::AcceptOpen);
}

bool QtDialogService::ExecuteSave(TSaveDialog& dialog) {
  return RunFileDialog(dialog, QFileDialog::AcceptSave);
}
