#include "ui/widgets/canvas.h"

#include <gtest/gtest.h>

#include <QWidget>

namespace {

constexpr TColor kRed = 0x0000FF, kGreen = 0x008000, kWhite = 0xFFFFFF, kBlack = 0;

class Canvas : public ::testing::Test {
 protected:
  Canvas() : canvas(nullptr) {
    canvas.SetSize(QSize(40, 30));
    canvas.Image().fill(Qt::white);
  }
  int Count(TColor color) const {
    int n = 0;
    for (int y = 0; y < canvas.Image().height(); ++y)
      for (int x = 0; x < canvas.Image().width(); ++x) n += canvas.Pixel(x, y) == color;
    return n;
  }
  TCanvas canvas;
};

TEST_F(Canvas, ColoursAreBlueGreenRed) {
  EXPECT_EQ(ToQColor(kRed), QColor(255, 0, 0));
  EXPECT_EQ(FromQColor(QColor(0, 128, 0)), kGreen);
}

TEST_F(Canvas, LinesLeaveOutTheirEndPoint) {
  canvas.Pen.Color = kGreen;
  canvas.Line(5, 20, 5, 10);  // upward, as the bars are drawn
  for (int y = 11; y <= 20; ++y) EXPECT_EQ(canvas.Pixel(5, y), kGreen) << y;
  EXPECT_EQ(canvas.Pixel(5, 10), kWhite);
  EXPECT_EQ(Count(kGreen), 10);
  canvas.Line(7, 3, 7, 3);  // an empty line paints nothing
  EXPECT_EQ(Count(kGreen), 10);
  canvas.Line(0, 0, 4, 2);  // a slanted line: one pixel per column, the end left out
  EXPECT_EQ(canvas.Pixel(0, 0), kGreen);
  EXPECT_EQ(canvas.Pixel(4, 2), kWhite);
  EXPECT_EQ(Count(kGreen), 14);
}

TEST_F(Canvas, RectanglesCoverLeftTopUpToRightBottom) {
  canvas.Brush.Color = kBlack;
  canvas.Pen.Color = 0xC0C0C0;
  canvas.Rectangle(2, 3, 6, 8);
  EXPECT_EQ(canvas.Pixel(2, 3), 0xC0C0C0u);
  EXPECT_EQ(canvas.Pixel(5, 7), 0xC0C0C0u);
  EXPECT_EQ(canvas.Pixel(3, 4), kBlack);
  EXPECT_EQ(canvas.Pixel(6, 5), kWhite);
  EXPECT_EQ(canvas.Pixel(4, 8), kWhite);
  canvas.Brush.Color = kRed;
  canvas.FillRect(-5, 0, 1, 30);  // clipped at the edge
  EXPECT_EQ(Count(kRed), 30);
}

TEST_F(Canvas, CrossBrushDrawsOnlyItsLines) {
  canvas.Brush.Style = TBrushStyle::bsCross;
  canvas.Brush.Color = kBlack;
  canvas.FillRect(0, 0, 40, 30);
  EXPECT_EQ(canvas.Pixel(0, 5), kBlack);
  EXPECT_EQ(canvas.Pixel(5, 8), kBlack);
  EXPECT_EQ(canvas.Pixel(3, 3), kWhite);
  EXPECT_GT(Count(kWhite), Count(kBlack));
}

TEST_F(Canvas, ExclusiveOrTwiceRestoresEveryPixel) {
  canvas.Brush.Color = kGreen;
  canvas.FillRect(0, 0, 20, 30);
  const QImage before = canvas.Image().copy();
  canvas.Pen.Mode = TPenMode::pmXor;
  canvas.Pen.Width = 8;
  canvas.Pen.Color = kRed;
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Ellipse(5, 5, 30, 25);
  EXPECT_NE(canvas.Image(), before);
  EXPECT_EQ(canvas.Pixel(17, 15), kGreen) << "the inside of a clear ellipse is untouched";
  canvas.Ellipse(5, 5, 30, 25);
  EXPECT_EQ(canvas.Image(), before);
  canvas.Line(0, 0, 39, 29);
  canvas.Line(0, 0, 39, 29);
  EXPECT_EQ(canvas.Image(), before);
}

TEST_F(Canvas, DrawingOutsideAPaintAsksTheOwnerToShowIt) {
  QWidget owner;
  owner.resize(40, 30);
  TCanvas c(&owner);
  c.SetSize(owner.size());
  c.Line(1, 1, 1, 5);  // must not crash and must not need a paint in progress
  EXPECT_EQ(c.Pixel(1, 1), 0u);
}

}  // namespace
