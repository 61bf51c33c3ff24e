#include "ui/widgets/stdctrls.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/widgets/dispatch.h"

TTrackBar::TTrackBar(QWidget* parent, int32_t min, int32_t max, int32_t position, int32_t pageSize)
    : QSlider(Qt::Horizontal, parent), position_(position) {
  setRange(min, max);
  setValue(position);
  position_.store(value(), std::memory_order_relaxed);
  setPageStep(pageSize);
  setSingleStep(1);
  setTickPosition(QSlider::TicksBelow);
  setTickInterval(1);
  // Connected last: the designed values are no change.
  connect(this, &QSlider::valueChanged, this, [this](int v) {
    position_.store(v, std::memory_order_relaxed);
    if (OnChange) Dispatch(this, OnChange);
  });
}

void TTrackBar::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  if (OnMouseUp) Dispatch(this, [&] { OnMouseUp(event); });
}

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  connect(this, &QComboBox::activated, this, [this](int) {
    if (OnChange) Dispatch(this, OnChange);
  });
}

void TComboBox::keyPressEvent(QKeyEvent* event) {
  QComboBox::keyPressEvent(event);
  if (!event->text().isEmpty() && event->text().front().isPrint()) showPopup();
}
