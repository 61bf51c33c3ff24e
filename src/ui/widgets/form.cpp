#include "ui/widgets/form.h"

#include <QCloseEvent>
#include <QPainter>

#include "ui/widgets/application.h"
#include "ui/widgets/controls.h"
#include "ui/widgets/dispatch.h"

TForm::TForm(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags),
      handle_(AllocateHWnd([this](TMessage& message) { WndProc(message); },
                           static_cast<QWidget*>(this))) {}

// No posted message reaches the window once its destruction has come down to the form.
TForm::~TForm() { DeallocateHWnd(handle_); }

void TForm::WndProc(TMessage& Message) {
  Message.Result = DefWindowProcA(handle_, Message.Msg, Message.WParam, Message.LParam);
}

bool TForm::event(QEvent* event) {
  bool handled = true;
  Dispatch(this, [&] { handled = FormEvent(event); });
  return handled;
}

void TForm::SetDesignedSize(int width, int height) { resize(Scale(width), Scale(height)); }

void TForm::SetDesignedConstraints(int minWidth, int minHeight, int maxWidth, int maxHeight) {
  setMinimumSize(Scale(minWidth), Scale(minHeight));
  setMaximumSize(Scale(maxWidth), Scale(maxHeight));
}

void TForm::SetColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::Window, color);
  setPalette(p);
  setAutoFillBackground(true);
}

void TForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  AlignControls(this);
}

void TForm::closeEvent(QCloseEvent* event) {
  event->accept();
  if (Application.MainForm == this) Application.Terminate();
}

void TForm::Invalidate() {
  invalid_ = true;
  update();
}

void TForm::paintEvent(QPaintEvent* event) {
  if (canvas_.Image().size() != size()) {
    canvas_.SetSize(size());
    invalid_ = true;
  }
  if (invalid_) {
    invalid_ = false;
    canvas_.Image().fill(palette().color(QPalette::Window));
    PaintForm();
  }
  QPainter painter(this);
  painter.drawImage(event->rect(), canvas_.Image(), event->rect());
}
