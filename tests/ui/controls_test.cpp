#include "ui/widgets/controls.h"

#include <gtest/gtest.h>

namespace {

// Three right-aligned slots; "a" and "b" share the rightmost one as play and pause do.
class RightAligned : public ::testing::Test {
 protected:
  RightAligned() {
    panel.resize(300, 40);
    for (QWidget** w : {&left, &middle, &a, &b}) {
      *w = new QWidget(&panel);
      (*w)->resize(40, 40);
    }
    left->move(100, 0);
    middle->move(150, 0);
    a->move(200, 0);
    b->move(200, 0);
    for (QWidget* w : {left, middle, a, b}) SetAlign(w, TAlign::alRight, false);
    b->hide();
    AlignControls(&panel);
  }
  TPanel panel;
  QWidget *left, *middle, *a, *b;
};

TEST_F(RightAligned, LargestLeftIsRightmost) {
  EXPECT_EQ(a->x(), 260);
  EXPECT_EQ(middle->x(), 220);
  EXPECT_EQ(left->x(), 180);
}

TEST_F(RightAligned, AShownControlMovedToTheEdgeTakesTheRightmostSlotEvenOnATie) {
  // Hiding a lets middle slide into the rightmost slot; b then asks for exactly that Left.
  a->hide();
  EXPECT_EQ(middle->x(), 260);
  b->show();
  SetLeft(b, panel.width() - b->width());
  EXPECT_EQ(b->x(), 260);
  EXPECT_EQ(middle->x(), 220);
  EXPECT_EQ(left->x(), 180);
}

TEST_F(RightAligned, LeftGroupAndClientShareTheRest) {
  QWidget* first = new QWidget(&panel);
  first->resize(30, 40);
  SetAlign(first, TAlign::alLeft, false);
  QWidget* client = new QWidget(&panel);
  SetAlign(client, TAlign::alClient, false);
  AlignControls(&panel);
  EXPECT_EQ(first->x(), 0);
  EXPECT_EQ(client->geometry(), QRect(30, 0, 150, 40));
}

}  // namespace
