#include "ui/widgets/controls.h"

#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <utility>
#include <vector>

#include "ui/widgets/dispatch.h"

namespace {
constexpr char kAlignProperty[] = "lumatapAlign";
}

void SetAlign(QWidget* control, TAlign align, bool realign) {
  control->setProperty(kAlignProperty, static_cast<int>(align));
  if (realign && control->parentWidget()) AlignControls(control->parentWidget());
}

TAlign GetAlign(const QWidget* control) {
  const QVariant value = control->property(kAlignProperty);
  return value.isValid() ? static_cast<TAlign>(value.toInt()) : TAlign::alNone;
}

void AlignControls(QWidget* parent, const QWidget* moved) {
  std::vector<QWidget*> top, bottom, left, right, client;
  for (QObject* object : parent->children()) {
    auto* w = qobject_cast<QWidget*>(object);
    if (!w || w->isWindow() || w->isHidden()) continue;
    switch (GetAlign(w)) {
      case TAlign::alTop:
        top.push_back(w);
        break;
      case TAlign::alBottom:
        bottom.push_back(w);
        break;
      case TAlign::alLeft:
        left.push_back(w);
        break;
      case TAlign::alRight:
        right.push_back(w);
        break;
      case TAlign::alClient:
        client.push_back(w);
        break;
      case TAlign::alNone:
        break;
    }
  }
  QRect r = parent->contentsRect();
  for (QWidget* w : top) {
    w->setGeometry(r.left(), r.top(), r.width(), w->height());
    r.setTop(r.top() + w->height());
  }
  for (QWidget* w : bottom) {
    w->setGeometry(r.left(), r.bottom() + 1 - w->height(), r.width(), w->height());
    r.setBottom(r.bottom() - w->height());
  }
  // On a tie the control that was just moved or shown takes the place it asked for.
  auto byLeft = [moved](const QWidget* a, const QWidget* b) {
    return a->x() != b->x() ? a->x() < b->x() : (a == moved && b != moved);
  };
  std::stable_sort(left.begin(), left.end(), byLeft);
  for (QWidget* w : left) {
    w->setGeometry(r.left(), r.top(), w->width(), r.height());
    r.setLeft(r.left() + w->width());
  }
  // The largest right edge is the rightmost slot.
  std::stable_sort(right.begin(), right.end(), [moved](const QWidget* a, const QWidget* b) {
    const int ra = a->x() + a->width(), rb = b->x() + b->width();
    return ra != rb ? ra > rb : (a == moved && b != moved);
  });
  for (QWidget* w : right) {
    w->setGeometry(r.right() + 1 - w->width(), r.top(), w->width(), r.height());
    r.setRight(r.right() - w->width());
  }
  for (QWidget* w : client) w->setGeometry(r);
}

void SetLeft(QWidget* control, int left) {
  control->move(left, control->y());
  if (control->parentWidget() && GetAlign(control) != TAlign::alNone)
    AlignControls(control->parentWidget(), control);
}

TPanel::TPanel(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }

void TPanel::SetColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::Window, color);
  setPalette(p);
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == bevelOuter_) return;
  bevelOuter_ = bevel;
  ApplyBevelMargins();
  update();
}

void TPanel::SetBevelWidth(int width) {
  bevelWidth_ = std::max(width, 1);
  ApplyBevelMargins();
  update();
}

void TPanel::ApplyBevelMargins() {
  const int m = bevelOuter_ == TBevelCut::bvNone ? 0 : bevelWidth_;
  if (contentsMargins() == QMargins(m, m, m, m)) return;
  setContentsMargins(m, m, m, m);
  AlignControls(this);
}

void TPanel::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // A space bevel is drawn in the panel's own colour, which the background already shows.
  if (bevelOuter_ != TBevelCut::bvLowered && bevelOuter_ != TBevelCut::bvRaised) return;
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  const QColor topLeft = bevelOuter_ == TBevelCut::bvLowered ? shadow : light;
  const QColor bottomRight = bevelOuter_ == TBevelCut::bvLowered ? light : shadow;
  QPainter painter(this);
  for (int i = 0; i < bevelWidth_; ++i) {
    const QRect r = rect().adjusted(i, i, -i, -i);
    if (r.width() <= 0 || r.height() <= 0) break;
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
  }
}

void TPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  AlignControls(this);
}

void TPanel::childEvent(QChildEvent* event) {
  QWidget::childEvent(event);
  if (event->added() && event->child()->isWidgetType()) event->child()->installEventFilter(this);
}

bool TPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShowToParent)
    AlignControls(this, qobject_cast<QWidget*>(watched));
  else if (event->type() == QEvent::HideToParent)
    AlignControls(this);
  return QWidget::eventFilter(watched, event);
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
  setCursor(Qt::PointingHandCursor);
}

TImage::~TImage() = default;

void TImage::LoadPicture(const QString& resource) {
  picture_ = std::make_unique<QSvgRenderer>(resource);
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  if (!picture_ || !picture_->isValid()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QSizeF size = picture_->defaultSize();
  size.scale(QSizeF(width(), height()), Qt::KeepAspectRatio);
  const QRectF target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                      size.height());
  picture_->render(&painter, target);
}

void TImage::Click() {
  if (OnClick) Dispatch(this, OnClick);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // The release that ends a double click is not another click, wherever it happens.
  const bool endsDoubleClick = std::exchange(swallowRelease_, false);
  if (endsDoubleClick || !rect().contains(PixelAt(event))) return;
  Click();
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  swallowRelease_ = true;
  if (OnDblClick) Dispatch(this, OnDblClick);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
  if (!OnPaint) return;
  canvas_.SetSize(size());
  Dispatch(this, [this] { OnPaint(canvas_); });
  QPainter painter(this);
  painter.drawImage(event->rect(), canvas_.Image(), event->rect());
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) Dispatch(this, [&] { OnMouseDown(event); });
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) Dispatch(this, [&] { OnMouseMove(event); });
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp) Dispatch(this, [&] { OnMouseUp(event); });
}

TStatusBar::TStatusBar(QWidget* parent) : QLabel(parent) {
  setAutoFillBackground(true);
  setFrameShape(QFrame::StyledPanel);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}
