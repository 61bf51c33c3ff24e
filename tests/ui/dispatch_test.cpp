// Every handler Qt's event delivery reaches shows its exception and the program goes on; every
// window has a handle whose posted messages reach its window procedure.
#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <optional>
#include <stdexcept>

#include "support/program_windows.h"
#include "support/recording_dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"

namespace {

// A window whose handlers all fail.
class TFailingForm : public TForm {
 public:
  int handled = 0;

 protected:
  void WndProc(TMessage& Message) override {
    ++handled;
    if (Message.Msg == WM_APP) throw std::runtime_error("message failed");
    TForm::WndProc(Message);
  }
  void PaintForm() override { throw std::runtime_error("paint failed"); }
  void mousePressEvent(QMouseEvent*) override { throw std::runtime_error("press failed"); }
};

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_.emplace();
    FormLumatap->show();
    FormSettings->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FormLumatap));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FormSettings));
  }
  void TearDown() override { windows_.reset(); }
  std::optional<ProgramWindows> windows_;
  RecordingDialogs dialogs_;
};

void Fail() { throw std::runtime_error("handler failed"); }

TEST_F(Dispatch, AnExceptionOfAControlsHandlerIsShownAndTheControlGoesOn) {
  TImage* button = FormLumatap->btnReadme;
  TTrackBar* slider = FormSettings->TrackBarNoiseReduction;
  TComboBox* list = FormSettings->ComboBoxInput;
  struct Case {
    const char* what;
    std::function<void()>* handler;
    std::function<void()> deliver;
  } cases[] = {
      {"image click", &button->OnClick,
       [&] { QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center()); }},
      {"slider change", &slider->OnChange, [&] { QTest::keyClick(slider, Qt::Key_Right); }},
      {"list change", &list->OnChange,
       [&] {
         list->setCurrentIndex(0);
         QTest::keyClick(list, Qt::Key_Down);
       }},
  };
  for (const Case& c : cases) {
    dialogs_.messages.clear();
    *c.handler = Fail;
    c.deliver();
    EXPECT_EQ(dialogs_.messages, std::vector<std::string>{"handler failed"}) << c.what;
    int calls = 0;
    *c.handler = [&] { ++calls; };
    c.deliver();
    EXPECT_EQ(calls, 1) << c.what;
  }
  TPaintBox box;
  box.resize(20, 20);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  dialogs_.messages.clear();
  box.OnPaint = [](TCanvas&) { Fail(); };
  box.repaint();
  EXPECT_EQ(dialogs_.messages, std::vector<std::string>{"handler failed"});
}

TEST_F(Dispatch, AnExceptionOfAWindowsHandlerIsShown) {
  TFailingForm form;
  form.resize(100, 80);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));  // the first paint failed already
  dialogs_.messages.clear();
  QTest::mousePress(&form, Qt::LeftButton, {}, {10, 10});
  form.Invalidate();
  form.repaint();
  ASSERT_TRUE(PostMessageA(form.Handle(), WM_APP, 0, 0));
  ASSERT_TRUE(PostMessageA(form.Handle(), WM_APP + 1, 0, 0));
  while (form.handled < 2) QCoreApplication::processEvents();
  EXPECT_EQ(dialogs_.messages,
            (std::vector<std::string>{"press failed", "paint failed", "message failed"}));
}

TEST_F(Dispatch, EveryWindowHasItsOwnHandleUntilItIsGone) {
  const HWND handles[] = {FormLumatap->Handle(), FormSettings->Handle(), FormInstrument->Handle()};
  const TForm* forms[] = {FormLumatap, FormSettings, FormInstrument};
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(IsWindow(handles[i]));
    EXPECT_EQ(WindowOwner(handles[i]), static_cast<const QWidget*>(forms[i]));
    for (int j = 0; j < i; ++j) EXPECT_NE(handles[i], handles[j]);
  }
  // A message the main window does not handle is answered by the default procedure.
  EXPECT_TRUE(PostMessageA(FormLumatap->Handle(), WM_APP + 0x30, 1, 2));
  while (PostedMessagesWaiting()) QCoreApplication::processEvents();
  windows_.reset();
  for (HWND h : handles) EXPECT_FALSE(PostMessageA(h, WM_APP + 0x16, 0, 0));
}

}  // namespace
