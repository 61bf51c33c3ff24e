// The few controls of the windows that Qt lacks in this shape: edge alignment with
// right-aligned controls ordered by their Left, image buttons, paint boxes, a one-line status bar.
#pragma once

#include <QLabel>
#include <QMouseEvent>
#include <QWidget>
#include <cmath>
#include <functional>
#include <memory>

#include "ui/widgets/canvas.h"

class QSvgRenderer;

// The pixel under the pointer. Positions are fractional on scaled screens; the pixel is the
// one they fall in (rounding would give the row below the last one).
inline QPoint PixelAt(const QMouseEvent* event) {
  const QPointF p = event->position();
  return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Alignment of a child within its parent, kept as a property of the child. Designing a group
// of controls sets them all first and realigns once, so that their designed Lefts decide.
void SetAlign(QWidget* control, TAlign align, bool realign = true);
TAlign GetAlign(const QWidget* control);

// Lays out the aligned children of parent: top and bottom first, then left-aligned controls
// from the left and right-aligned controls from the right, each group ordered by Left (the
// largest Left of the right group lands rightmost), then the client control in what is left.
// moved, the control whose Left or visibility just changed, wins ties.
void AlignControls(QWidget* parent, const QWidget* moved = nullptr);

// Sets a control's Left; an aligned control then takes the slot its new Left asks for.
void SetLeft(QWidget* control, int left);

// The edge of a panel: sunk in, standing out, or a flat border of the panel's own colour.
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A container that aligns its children whenever its size or their visibility changes. An outer
// bevel other than bvNone takes BevelWidth pixels on each side from the aligned children.
class TPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TPanel(QWidget* parent = nullptr);
  void SetColor(const QColor& color);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut bevel);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void childEvent(QChildEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A press on the panel or its images is theirs: it never reaches the window beneath.
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }

 private:
  void ApplyBevelMargins();
  TBevelCut bevelOuter_ = TBevelCut::bvNone;
  int bevelWidth_ = 1;
};

// An image shown centred and stretched proportionally on a transparent background, with a
// hint and click handlers.
class TImage : public QWidget {
  Q_OBJECT
 public:
  explicit TImage(QWidget* parent = nullptr);
  ~TImage() override;
  void LoadPicture(const QString& resource);
  void SetHint(const QString& hint) { setToolTip(hint); }
  QString Hint() const { return toolTip(); }
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  // Delivers a click as the mouse would; an exception of the handler is shown, not raised.
  void Click();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::unique_ptr<QSvgRenderer> picture_;
  bool swallowRelease_ = false;
};

// A control that its owner paints on its canvas whenever it is shown or invalidated, and whose
// mouse its owner handles; Tag holds a number of the owner's.
class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  explicit TPaintBox(QWidget* parent = nullptr) : QWidget(parent), canvas_(this) {}
  int Tag = 0;
  TCanvas& Canvas() { return canvas_; }
  std::function<void(TCanvas&)> OnPaint;
  std::function<void(QMouseEvent*)> OnMouseDown, OnMouseMove, OnMouseUp;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TCanvas canvas_;
};

// A status bar with one simple text line.
class TStatusBar : public QLabel {
  Q_OBJECT
 public:
  explicit TStatusBar(QWidget* parent = nullptr);
  QString SimpleText() const { return text(); }
  void SetSimpleText(const QString& value) { setText(value); }

 protected:
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
};
