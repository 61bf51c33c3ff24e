// A window of the program: Delphi-like Left/Top/Width/Height over the frame, aligned children,
// and the rule that only the main window ends the program when closed.
#pragma once

#include <QWidget>

#include "ui/widgets/canvas.h"

class TForm : public QWidget {
  Q_OBJECT
 public:
  explicit TForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

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

 protected:
  // The window's paint handler, drawing on Canvas().
  virtual void PaintForm() {}
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TCanvas canvas_{this};
  bool invalid_ = true;
};
