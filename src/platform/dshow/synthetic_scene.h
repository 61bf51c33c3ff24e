// What the synthetic camera shows: frames drawn by a script, or the default scene. A script
// draws frame number `index` of a stream (0 at each start) into a view of the frame's pixels,
// whatever the row order of the buffer behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win/types.h"

struct TRgb {
  BYTE R, G, B;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

// Width × Height pixels of three bytes each (blue, green, red); Row(0) is the top of the
// picture. Drawing outside the frame is clipped.
class TFrameView {
 public:
  // top: the first byte of the top row; rowStep: bytes from one row to the one below it
  // (negative for a bottom-up buffer).
  TFrameView(BYTE* top, ptrdiff_t rowStep, int width, int height)
      : top_(top), step_(rowStep), width_(width), height_(height) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  BYTE* Row(int y) const { return top_ + y * step_; }

  TRgb Pixel(int x, int y) const;
  void SetPixel(int x, int y, TRgb c);
  void Fill(TRgb c);
  // The pixels left <= x < right, top <= y < bottom.
  void FillRect(int left, int top, int right, int bottom, TRgb c);
  // The ellipse with centre (cx, cy) and radii rx, ry (> 0).
  void FillEllipse(int cx, int cy, int rx, int ry, TRgb c);

 private:
  BYTE* top_;
  ptrdiff_t step_;
  int width_, height_;
};

// A picture in memory, top row first, rows of Width × 3 bytes.
struct TFrameImage {
  int Width = 0, Height = 0;
  std::vector<BYTE> Pixels;

  TFrameImage(int width, int height, TRgb fill);
  TFrameView View() { return TFrameView(Pixels.data(), ptrdiff_t{Width} * 3, Width, Height); }
};

using TFrameScript = std::function<void(uint64_t index, TFrameView& frame)>;

// Frame i shows frames[i % count] (count > 0), scaled to the frame's size by nearest pixel
// when the sizes differ.
TFrameScript FrameListScript(std::vector<TFrameImage> frames);

// The default scene, for trying a motion tracker without a camera: a dark shape the size of a
// hand on a light background enters at the top, sweeps across, goes down through the bottom
// quarter and out of the picture; then the picture stays still (but for a short change of the
// light, which moves every pixel at once) until the cycle starts again. Every step moves the
// shape by less than a fiftieth of the frame, so a tracker that follows a quarter of the way
// per frame keeps up with it.
inline constexpr uint64_t kSceneCycleFrames = 210;
inline constexpr TRgb kSceneBackground{205, 200, 190};
inline constexpr TRgb kSceneDimmed{95, 92, 88};
inline constexpr TRgb kSceneShape{60, 45, 40};
void DrawDefaultScene(uint64_t index, TFrameView& frame);
