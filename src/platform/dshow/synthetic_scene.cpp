#include "platform/dshow/synthetic_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

TRgb TFrameView::Pixel(int x, int y) const {
  const BYTE* p = Row(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

void TFrameView::SetPixel(int x, int y, TRgb c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  BYTE* p = Row(y) + 3 * x;
  p[0] = c.B, p[1] = c.G, p[2] = c.R;
}

void TFrameView::FillRect(int left, int top, int right, int bottom, TRgb c) {
  left = std::max(left, 0), top = std::max(top, 0);
  right = std::min(right, width_), bottom = std::min(bottom, height_);
  if (left >= right || top >= bottom) return;
  // One row drawn pixel by pixel, the others copied from it.
  BYTE* first = Row(top) + 3 * left;
  for (int x = 0; x < right - left; ++x) {
    first[3 * x] = c.B, first[3 * x + 1] = c.G, first[3 * x + 2] = c.R;
  }
  const size_t bytes = size_t(right - left) * 3;
  for (int y = top + 1; y < bottom; ++y) std::memcpy(Row(y) + 3 * left, first, bytes);
}

void TFrameView::Fill(TRgb c) { FillRect(0, 0, width_, height_, c); }

void TFrameView::FillEllipse(int cx, int cy, int rx, int ry, TRgb c) {
  for (int y = std::max(cy - ry, 0); y <= std::min(cy + ry, height_ - 1); ++y) {
    const double dy = double(y - cy) / ry;
    const int half = static_cast<int>(std::floor(rx * std::sqrt(1.0 - dy * dy)));
    FillRect(cx - half, y, cx + half + 1, y + 1, c);
  }
}

TFrameImage::TFrameImage(int width, int height, TRgb fill)
    : Width(width), Height(height), Pixels(size_t(width) * height * 3) {
  View().Fill(fill);
}

TFrameScript FrameListScript(std::vector<TFrameImage> frames) {
  auto list = std::make_shared<const std::vector<TFrameImage>>(std::move(frames));
  return [list](uint64_t index, TFrameView& frame) {
    const TFrameImage& image = (*list)[index % list->size()];
    const size_t rowBytes = size_t(image.Width) * 3;
    for (int y = 0; y < frame.Height(); ++y) {
      const BYTE* source =
          image.Pixels.data() + size_t(y) * image.Height / frame.Height() * rowBytes;
      if (image.Width == frame.Width()) {
        std::memcpy(frame.Row(y), source, rowBytes);
        continue;
      }
      BYTE* target = frame.Row(y);
      for (int x = 0; x < frame.Width(); ++x)
        std::memcpy(target + 3 * x, source + size_t(x) * image.Width / frame.Width() * 3, 3);
    }
  };
}

namespace {
// The phases of one cycle, in frames (30 frames a second).
constexpr int kEnter = 30, kSweep = 60, kDown = 60;
constexpr int kPauseStart = kEnter + kSweep + kDown;  // 150
constexpr int kDimFrom = kPauseStart + 20, kDimTo = kDimFrom + 3;
static_assert(kPauseStart + 60 == kSceneCycleFrames);
}  // namespace

void DrawDefaultScene(uint64_t index, TFrameView& frame) {
  const int64_t w = frame.Width(), h = frame.Height();
  const int t = static_cast<int>(index % kSceneCycleFrames);
  const bool dim = t >= kDimFrom && t < kDimTo;
  frame.Fill(dim ? kSceneDimmed : kSceneBackground);
  if (t >= kPauseStart) return;

  const int64_t rx = std::max<int64_t>(w / 14, 1), ry = std::max<int64_t>(h / 6, 1);
  int64_t cx, cy;
  // In from above, slanting to the right: the picture's edge cuts the shape, and only a
  // sideways move makes that cut row differ from frame to frame.
  if (t < kEnter) {
    cx = w / 20 + 3 * w / 10 * (t + 1) / kEnter;
    cy = -ry + (h / 4 + ry) * (t + 1) / kEnter;
  } else if (t < kEnter + kSweep) {  // across, to the right
    cx = 7 * w / 20 + 9 * w / 20 * (t - kEnter + 1) / kSweep;
    cy = h / 4;
  } else {  // down through the bottom quarter until it is gone
    cx = 4 * w / 5;
    cy = h / 4 + (h - h / 4 + 2 * ry) * (t - kEnter - kSweep + 1) / kDown;
  }
  frame.FillEllipse(static_cast<int>(cx), static_cast<int>(cy), static_cast<int>(rx),
                    static_cast<int>(ry), kSceneShape);
}
