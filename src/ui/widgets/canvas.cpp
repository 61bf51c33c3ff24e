#include "ui/widgets/canvas.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

QColor ToQColor(TColor c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

TColor FromQColor(const QColor& c) {
  return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) |
         (static_cast<TColor>(c.blue()) << 16);
}

namespace {
uint32_t ToRgb(TColor c) { return ToQColor(c).rgb() & 0xFFFFFFu; }
// Hatch lines of a cross brush every eight pixels, anchored at the canvas origin.
bool OnCrossHatch(int x, int y) { return (x & 7) == 0 || (y & 7) == 0; }
}  // namespace

TCanvas::TCanvas(QWidget* owner) : owner_(owner) {}

void TCanvas::SetSize(const QSize& size) {
  if (image_.size() == size) return;
  image_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image_.fill(Qt::white);
}

TColor TCanvas::Pixel(int x, int y) const {
  if (!image_.rect().contains(x, y)) return 0xFFFFFFFFu;
  return FromQColor(QColor::fromRgb(image_.pixel(x, y)));
}

void TCanvas::Plot(int x, int y, uint32_t rgb, bool xorMode) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  auto* line = reinterpret_cast<uint32_t*>(image_.scanLine(y));
  line[x] = xorMode ? (line[x] ^ rgb) : (0xFF000000u | rgb);
}

void TCanvas::Changed(const QRect& rect) {
  // Drawing from the paint handler is shown by that paint; drawing at any other time asks
  // the owner to show the changed pixels.
  if (owner_ && !owner_->testAttribute(Qt::WA_WState_InPaintEvent))
    owner_->update(rect.normalized().adjusted(-Pen.Width, -Pen.Width, Pen.Width, Pen.Width));
}

void TCanvas::FillRect(int left, int top, int right, int bottom) {
  if (Brush.Style == TBrushStyle::bsClear) return;
  const QRect r =
      QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(image_.rect());
  const uint32_t rgb = ToRgb(Brush.Color);
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (Brush.Style == TBrushStyle::bsSolid || OnCrossHatch(x, y)) Plot(x, y, rgb, false);
  Changed(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const int w = std::max(Pen.Width, 1);
  // The inside first, then the outline drawn inside the bounds.
  FillRect(left + w, top + w, right - w, bottom - w);
  const uint32_t rgb = ToRgb(Pen.Color);
  const bool xorMode = Pen.Mode == TPenMode::pmXor;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const bool border = x < left + w || x >= right - w || y < top + w || y >= bottom - w;
      if (border) Plot(x, y, rgb, xorMode);
    }
  Changed(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  // Rendered as a mask first, so that exclusive-or touches every pixel of the figure once.
  QImage mask(image_.size(), QImage::Format_Grayscale8);
  mask.fill(0);
  QPainter painter(&mask);
  const QRectF bounds(left, top, right - left - 1, bottom - top - 1);
  if (Brush.Style == TBrushStyle::bsSolid) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(128, 128, 128));
    painter.drawEllipse(bounds);
  }
  QPen pen(Qt::white);
  pen.setWidth(std::max(Pen.Width, 1));
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(bounds);
  painter.end();
  const uint32_t penRgb = ToRgb(Pen.Color), brushRgb = ToRgb(Brush.Color);
  const bool xorMode = Pen.Mode == TPenMode::pmXor;
  const QRect area = QRect(QPoint(left, top), QPoint(right, bottom))
                         .adjusted(-Pen.Width, -Pen.Width, Pen.Width, Pen.Width)
                         .intersected(image_.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const uchar* m = mask.constScanLine(y);
    for (int x = area.left(); x <= area.right(); ++x) {
      if (m[x] == 255)
        Plot(x, y, penRgb, xorMode);
      else if (m[x] == 128)
        Plot(x, y, brushRgb, xorMode);
    }
  }
  Changed(area);
}

void TCanvas::Line(int x1, int y1, int x2, int y2) {
  MoveTo(x1, y1);
  LineTo(x2, y2);
}

void TCanvas::MoveTo(int x, int y) { penPos_ = QPoint(x, y); }

void TCanvas::LineTo(int x2, int y2) {
  const int x1 = penPos_.x(), y1 = penPos_.y();
  const uint32_t rgb = ToRgb(Pen.Color);
  const bool xorMode = Pen.Mode == TPenMode::pmXor;
  const int w = std::max(Pen.Width, 1);
  // A wide pen stamps overlapping squares: gather them first, so that each pixel is drawn once.
  QImage mask;
  if (w > 1) {
    mask = QImage(image_.size(), QImage::Format_Grayscale8);
    mask.fill(0);
  }
  // Bresenham from the start point; the end point itself is not painted.
  const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int err = dx + dy, x = x1, y = y1;
  // Thin lines write straight into the pixels: the spectrum editor draws a line per column.
  uchar* const bits = w == 1 && !image_.isNull() ? image_.bits() : nullptr;
  const qsizetype stride = image_.bytesPerLine();
  const int width = image_.width(), height = image_.height();
  while (x != x2 || y != y2) {
    if (bits) {
      if (x >= 0 && y >= 0 && x < width && y < height) {
        auto* pixel = reinterpret_cast<uint32_t*>(bits + y * stride) + x;
        *pixel = xorMode ? (*pixel ^ rgb) : (0xFF000000u | rgb);
      }
    } else if (w == 1) {
      Plot(x, y, rgb, xorMode);
    } else {
      for (int oy = 0; oy < w; ++oy)
        for (int ox = 0; ox < w; ++ox) {
          const int px = x + ox - w / 2, py = y + oy - w / 2;
          if (mask.rect().contains(px, py)) mask.scanLine(py)[px] = 1;
        }
    }
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  const QRect touched = QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized().adjusted(-w, -w, w, w);
  if (w > 1) {
    const QRect area = touched.intersected(image_.rect());
    for (int py = area.top(); py <= area.bottom(); ++py)
      for (int px = area.left(); px <= area.right(); ++px)
        if (mask.constScanLine(py)[px]) Plot(px, py, rgb, xorMode);
  }
  penPos_ = QPoint(x2, y2);
  Changed(touched);
}
