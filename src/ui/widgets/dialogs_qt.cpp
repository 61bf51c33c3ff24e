#include "ui/widgets/dialogs_qt.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStringList>
#include <QWindow>
#include <algorithm>

#include "ui/widgets/application.h"

QString ToQtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    entries << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
  return entries.join(";;");
}

namespace {

// The width a window needs for its caption to show whole in the title bar, beside the frame's
// icon and buttons.
int CaptionWidth(const QString& caption) {
  // The window system draws the caption, commonly in bold; the title-bar font Qt knows of is
  // the nearest to its own.
  QFont font = QApplication::font("QMdiSubWindowTitleBar");
  font.setBold(true);
  const QFontMetrics metrics(font);
  // A frame button is about as wide as the bar is high, some twice the text's height; the
  // window's icon takes as much room as a button.
  const int button = 2 * metrics.height();
  const int buttonsAndIcon = 4 * button;  // minimise, maximise, close and the icon
  const int margins = button;             // half a button on either side of the text
  return metrics.horizontalAdvance(caption) + buttonsAndIcon + margins;
}

// A window a box can belong to: there, shown, and not a popup that closes by itself.
bool CanOwn(const QWidget* window) {
  return window && window->isVisible() && window->windowType() != Qt::Popup &&
         window->windowType() != Qt::ToolTip;
}

// The box sizes itself to its layout's minimum width when shown, so a spacer as wide as the
// caption needs, spanning the layout's columns in a row of its own, keeps it from being
// narrower. A row of nothing but a spacer adds no spacing: the height stays as it was.
void WidenForCaption(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

bool RunFileDialog(QWidget* owner, TFileDialog& d, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(owner, QString::fromStdString(d.Title));
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

QtDialogService::QtDialogService() {
  if (!qApp) return;
  // The window the user is in when the service starts counts as activated then.
  if (QWidget* active = QApplication::activeWindow()) activated_.emplace_back(active);
  tracking_ = QObject::connect(qApp, &QGuiApplication::focusWindowChanged,
                               [this](QWindow* window) { WindowActivated(window); });
}

QtDialogService::~QtDialogService() { QObject::disconnect(tracking_); }

void QtDialogService::WindowActivated(QWindow* window) {
  if (!window) return;
  const QWidgetList windows = QApplication::topLevelWidgets();
  const auto found = std::find_if(windows.begin(), windows.end(), [window](QWidget* w) {
    return w->windowHandle() == window;
  });
  if (found == windows.end() || !CanOwn(*found)) return;
  QWidget* activated = *found;
  // Destroyed windows and this one's earlier place go; it comes last.
  std::erase_if(activated_, [activated](const QPointer<QWidget>& w) {
    return w.isNull() || w.data() == activated;
  });
  activated_.emplace_back(activated);
}

QWidget* QtDialogService::OwnerWindow() const {
  if (QWidget* active = QApplication::activeWindow(); CanOwn(active)) return active;
  for (auto it = activated_.rbegin(); it != activated_.rend(); ++it)
    if (CanOwn(it->data())) return it->data();
  return Application.MainForm;
}

void QtDialogService::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(Application.Title),
                  QString::fromStdString(text), QMessageBox::Ok, OwnerWindow());
  WidenForCaption(box);
  box.exec();
}

bool QtDialogService::AskYesNo(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, OwnerWindow());
  WidenForCaption(box);
  return box.exec() == QMessageBox::Yes;
}

bool QtDialogService::ExecuteOpen(TOpenDialog& dialog) {
  return RunFileDialog(OwnerWindow(), dialog, QFileDialog::AcceptOpen);
}

bool QtDialogService::ExecuteSave(TSaveDialog& dialog) {
  return RunFileDialog(OwnerWindow(), dialog, QFileDialog::AcceptSave);
}
