// Standard controls in the shape the windows use them: a track bar whose position other
// threads may read, and a drop-down list that opens when the user types.
#pragma once

#include <QComboBox>
#include <QSlider>
#include <atomic>
#include <cstdint>
#include <functional>

class QMouseEvent;

// A horizontal slider. Setting Position clamps it to the range; OnChange runs only when the
// value changes. Position is readable from any thread (a whole 32-bit value, old or new).
class TTrackBar : public QSlider {
  Q_OBJECT
 public:
  TTrackBar(QWidget* parent, int32_t min, int32_t max, int32_t position, int32_t pageSize);
  int32_t Position() const { return position_.load(std::memory_order_relaxed); }
  void SetPosition(int32_t position) { setValue(position); }
  int32_t Min() const { return minimum(); }
  int32_t Max() const { return maximum(); }
  std::function<void()> OnChange;
  std::function<void(QMouseEvent*)> OnMouseUp;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::atomic<int32_t> position_;
};

// A drop-down list without free text that opens as soon as the user types; OnChange runs when
// the user chooses an item, never when the list is changed from code.
class TComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TComboBox(QWidget* parent = nullptr);
  std::function<void()> OnChange;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};
