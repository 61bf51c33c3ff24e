// Touch events of a registered window as WM_TOUCH messages with TOUCHINPUT records.
#include "platform/qt/touch.h"

#include <gtest/gtest.h>

#include <QTouchEvent>
#include <QWidget>
#include <memory>
#include <vector>

namespace {

class TouchMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_.reset(new QPointingDevice("test screen", 77, QInputDevice::DeviceType::TouchScreen,
                                      QPointingDevice::PointerType::Finger,
                                      QInputDevice::Capability::Position, 10, 0));
    window_.setGeometry(200, 100, 400, 300);
    handle_ = AllocateHWnd(nullptr, &window_);
    RegisterTouchWindow(handle_, TWF_FINETOUCH | TWF_WANTPALM);
  }
  void TearDown() override {
    UnregisterTouchWindow(handle_);
    DeallocateHWnd(handle_);
  }

  // The records of the message made from one event; the handle is closed again.
  std::vector<TOUCHINPUT> Translate(QEvent::Type type, const QList<QEventPoint>& points) {
    QTouchEvent event(type, screen_.get(), Qt::NoModifier, points);
    TMessage message;
    if (!TouchEventToMessage(handle_, event, message)) return {};
    EXPECT_EQ(message.Msg, WM_TOUCH);
    std::vector<TOUCHINPUT> records(message.WParam);
    const auto handle = reinterpret_cast<HTOUCHINPUT>(message.LParam);
    EXPECT_TRUE(GetTouchInputInfo(handle, records.size(), records.data(), sizeof(TOUCHINPUT)));
    EXPECT_TRUE(CloseTouchInputHandle(handle));
    return records;
  }
  static QEventPoint At(int id, QEventPoint::State state, QPointF global) {
    return QEventPoint(id, state, global, global);
  }

  std::unique_ptr<QPointingDevice> screen_;
  QWidget window_;
  HWND handle_ = nullptr;
};

TEST_F(TouchMessages, ContactsInHundredthsOfAPixelWithStableIdsAndFlags) {
  auto records = Translate(QEvent::TouchBegin, {At(4, QEventPoint::State::Pressed, {250.5, 120}),
                                                At(9, QEventPoint::State::Pressed, {300, 140})});
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].x, 25050);
  EXPECT_EQ(records[0].y, 12000);
  EXPECT_EQ(records[0].dwID, 4u);
  EXPECT_EQ(records[0].dwFlags, TOUCHEVENTF_DOWN);
  EXPECT_EQ(records[1].dwID, 9u);

  // A resting finger is reported as a move where it was last seen, as the screen reports
  // every contact it tracks; its event point may carry no position.
  records = Translate(QEvent::TouchUpdate, {At(4, QEventPoint::State::Updated, {260, 120}),
                                            At(9, QEventPoint::State::Stationary, {0, 0})});
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].dwFlags, TOUCHEVENTF_MOVE);
  EXPECT_EQ(records[0].x, 26000);
  EXPECT_EQ(records[1].dwFlags, TOUCHEVENTF_MOVE);
  EXPECT_EQ(records[1].x, 30000);
  EXPECT_EQ(records[1].y, 14000);

  records = Translate(QEvent::TouchUpdate, {At(4, QEventPoint::State::Released, {261, 121}),
                                            At(9, QEventPoint::State::Stationary, {300, 140})});
  EXPECT_EQ(records[0].dwFlags, TOUCHEVENTF_UP);
  EXPECT_EQ(records[0].x, 26100);

  // A cancelled sequence lifts what is still down, where it was last seen.
  records = Translate(QEvent::TouchCancel, {});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].dwID, 9u);
  EXPECT_EQ(records[0].dwFlags, TOUCHEVENTF_UP);
  EXPECT_EQ(records[0].x, 30000);
  EXPECT_TRUE(Translate(QEvent::TouchCancel, {}).empty()) << "nothing left to lift";
  EXPECT_EQ(OpenTouchInputHandles(), 0);
}

TEST_F(TouchMessages, TheHandleGivesAtMostWhatWasAskedAndOnlyUntilClosed) {
  QTouchEvent event(
      QEvent::TouchBegin, screen_.get(), Qt::NoModifier,
      {At(1, QEventPoint::State::Pressed, {10, 10}), At(2, QEventPoint::State::Pressed, {20, 10}),
       At(3, QEventPoint::State::Pressed, {30, 10})});
  TMessage message;
  ASSERT_TRUE(TouchEventToMessage(handle_, event, message));
  const auto handle = reinterpret_cast<HTOUCHINPUT>(message.LParam);
  TOUCHINPUT records[3] = {};
  EXPECT_TRUE(GetTouchInputInfo(handle, 2, records, sizeof(TOUCHINPUT)));
  EXPECT_EQ(records[1].dwID, 2u);
  EXPECT_EQ(records[2].dwID, 0u) << "not asked for";
  EXPECT_FALSE(GetTouchInputInfo(handle, 3, records, 40)) << "wrong record size";
  EXPECT_TRUE(CloseTouchInputHandle(handle));
  EXPECT_FALSE(GetTouchInputInfo(handle, 3, records, sizeof(TOUCHINPUT)));
  EXPECT_FALSE(CloseTouchInputHandle(handle));
}

}  // namespace
