// The real dialog service's boxes: owned by and centred on the window the user is in, and wide
// enough for their caption.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <vector>

#include "support/program_windows.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/widgets/application.h"
#include "ui/widgets/dialogs_qt.h"

namespace {

class MessageBoxes : public ::testing::Test {
 protected:
  void SetUp() override { Application.Title = "Quorvel Lumatap Pro"; }
  void TearDown() override {
    SetDialogService(previous_);
    Application.Title = title_;
  }
  const std::string title_ = Application.Title;
  DialogService* const previous_ = GetDialogService();
};

// What a box showed while it was up.
struct SeenBox {
  QWidget* owner;
  QRect geometry;
  QString caption;
  QString text;
};

TEST_F(MessageBoxes, ABrokenFileOpenedInTheEditorIsToldOverTheEditorWithTheWholeCaption) {
  ProgramWindows windows;
  const QRect screen = FormLumatap->screen()->availableGeometry();
  FormLumatap->move(screen.topLeft());
  FormLumatap->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(FormLumatap));
  // The editor inside the screen, away from the main window's centre: a box is only moved
  // onto the screen, never off its owner's centre.
  FormInstrument->resize(FormInstrument->minimumSize());
  FormInstrument->move(screen.topLeft() + QPoint(60, 40));
  FormInstrument->show();
  FormInstrument->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(FormInstrument, 30000));
  ASSERT_TRUE(screen.contains(FormInstrument->frameGeometry()));
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString broken = dir.filePath("broken.lmt");
  std::ofstream(broken.toStdString()) << "no instrument";

  // The user at every modal window that comes up: chooses the broken file in a file dialog,
  // reads a box and confirms it, and sends anything else away.
  int fileDialogs = 0;
  std::vector<SeenBox> boxes;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (auto* files = qobject_cast<QFileDialog*>(modal)) {
      // Once the dialog is active its file name field has the focus, and the name goes there.
      if (!files->isActiveWindow()) return;
      auto* name = qobject_cast<QLineEdit*>(QApplication::focusWidget());
      if (!name || fileDialogs++ > 0) return files->reject();
      name->setText(broken);
      static_cast<QDialog*>(files)->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.push_back({box->parentWidget(), box->geometry(), box->windowTitle(), box->text()});
      if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
      else box->reject();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    }
  });
  user.start(10);
  QtDialogService service;
  SetDialogService(&service);
  FormInstrument->btnImport->Click();
  SetDialogService(previous_);

  EXPECT_EQ(fileDialogs, 1);
  ASSERT_EQ(boxes.size(), 1u);
  const SeenBox& box = boxes[0];
  EXPECT_EQ(box.text, "Import file corrupted!");
  EXPECT_EQ(box.caption, "Quorvel Lumatap Pro");
  EXPECT_EQ(box.owner, FormInstrument);
  const QPoint offCentre = box.geometry.center() - FormInstrument->geometry().center();
  EXPECT_LE(offCentre.manhattanLength(), 4) << offCentre.x() << "," << offCentre.y();
  // The caption whole in the title bar, drawn bold as window systems commonly do, beside the
  // window's icon and three frame buttons each at least as wide as the text is high.
  QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
  titleFont.setBold(true);
  const QFontMetrics title(titleFont);
  EXPECT_GE(box.geometry.width(), title.horizontalAdvance(box.caption) + 4 * title.height());
}

}  // namespace
