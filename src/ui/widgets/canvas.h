// A window's drawing surface: an image that the window shows, drawn with the pen and brush of a
// GDI-like canvas. Lines leave out their end point, rectangles cover [left, right) × [top, bottom),
// and the exclusive-or pen mode draws each pixel of a figure once, so drawing it twice removes it.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>

class QWidget;

using TColor = uint32_t;  // 0x00BBGGRR

enum class TPenMode { pmCopy, pmXor };
enum class TBrushStyle { bsSolid, bsClear, bsCross };

struct TPen {
  TColor Color = 0x000000;
  int Width = 1;
  TPenMode Mode = TPenMode::pmCopy;
};

struct TBrush {
  TColor Color = 0xFFFFFF;
  TBrushStyle Style = TBrushStyle::bsSolid;
};

QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

class TCanvas {
 public:
  // owner is told which region changed, so that it shows it.
  explicit TCanvas(QWidget* owner);

  TPen Pen;
  TBrush Brush;

  QImage& Image() { return image_; }
  const QImage& Image() const { return image_; }
  // Reallocates for a new size; the content is then undefined until repainted.
  void SetSize(const QSize& size);

  TColor Pixel(int x, int y) const;

  // Fills [left, right) × [top, bottom) with the brush; a cross brush draws only its lines.
  void FillRect(int left, int top, int right, int bottom);
  // Outline with the pen, inside with the brush.
  void Rectangle(int left, int top, int right, int bottom);
  void Ellipse(int left, int top, int right, int bottom);
  // From (x1, y1) towards (x2, y2), leaving out the end point.
  void Line(int x1, int y1, int x2, int y2);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);

 private:
  void Plot(int x, int y, uint32_t rgb, bool xorMode);
  void Changed(const QRect& rect);

  QWidget* owner_;
  QImage image_;
  QPoint penPos_;
};
