// A window of the program: Left/Top/Width/Height over the frame, aligned children, the rule
// that only the main window ends the program when closed, and a window handle whose posted
// messages reach the virtual WndProc on the GUI thread.
#pragma once

#include <QWidget>

#include "platform/win/messages.h"
#include "ui/widgets/canvas.h"

class TForm : public QWidget {
  Q_OBJECT
 public:
  explicit TForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
  ~TForm() override;

  int Left() const { return x(); }
  int Top() const { return y(); }
  int Width() const { return frameGeometry().width(); }
  int Height() const { return frameGeometry().height(); }
  void SetLeft(int left) { move(left, y()); }
  void SetTop(int top) { move(x(), top); }
  bool Visible() const { return isVisible(); }

  // Designed client size and constraints, in pixels at 144 per inch.
  void SetDesignedSize(int width, int height);
  void SetDesignedConstraints(int minWidth, int minHeight, int maxWidth, int maxHeight);
  void SetColor(const QColor& color);

  // The window's own drawing surface. Drawing on it shows at once; Invalidate() has the whole
  // window erased to its colour and repainted by PaintForm.
  TCanvas& Canvas() { return canvas_; }
  void Invalidate();

  // The window's handle, from its creation to its destruction: messages posted to it reach
  // WndProc.
  HWND Handle() const { return handle_; }

 protected:
  // The window procedure; what it does not handle goes to DefWindowProcA.
  virtual void WndProc(TMessage& Message);
  // The window's event handling; an exception raised in it is shown and goes no further.
  virtual bool FormEvent(QEvent* event) { return QWidget::event(event); }
  // The window's paint handler, drawing on Canvas().
  virtual void PaintForm() {}
  bool event(QEvent* event) final;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TCanvas canvas_{this};
  bool invalid_ = true;
  HWND handle_;
};
