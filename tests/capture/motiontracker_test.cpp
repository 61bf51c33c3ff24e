// The motion tracker's arithmetic on synthetic frames: the row scan with its run rule, the
// frame scan and its ignore rule, acceptance near the reference point, the bottom line, the
// note values, and the frame sizes.
#include "capture/tracker/motiontracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace tracker;

// A 24-bit frame of one grey level.
void MakeFrame(rtl::TBitmap& frame, int width, int height, uint8_t grey = 128) {
  frame.SetSize(width, height);
  for (int y = 0; y < height; ++y)
    std::memset(frame.ScanLine(y), grey, static_cast<size_t>(width) * 3);
}

void SetPixel(rtl::TBitmap& frame, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  auto* p = static_cast<uint8_t*>(frame.ScanLine(y)) + 3 * x;
  p[0] = b, p[1] = g, p[2] = r;
}

// Pixels x of one row of `b` differ from `a` by 34 + 33 + 33 = 100 (moving at threshold 100);
// every other pixel by 33 + 33 + 33 = 99 (still): no single byte gives the motion away.
TRowMotion Row(int width, const std::vector<int>& moving) {
  std::vector<uint8_t> a(static_cast<size_t>(width) * 3, 100), b(a.size());
  for (int x = 0; x < width; ++x) b[3 * x] = b[3 * x + 1] = b[3 * x + 2] = 133;
  for (int x : moving) b[3 * x] = 134;
  return CompareRow(a.data(), b.data(), width, 100);
}

TEST(MotionTracker, OnlyTheThirdAndLaterPixelsOfARunCount) {
  constexpr int W = 40;
  struct Case {
    const char* what;
    std::vector<int> moving;
    int32_t count;
    int64_t sum;
  };
  const Case cases[] = {
      {"nothing", {}, 0, 0},
      {"a run of two", {10, 11}, 0, 0},
      {"a run of three: the third", {10, 11, 12}, 1, W - 12},
      {"a run of four: the third and fourth", {10, 11, 12, 13}, 2, (W - 12) + (W - 13)},
      {"pixels 0 and 1 never count", {0, 1}, 0, 0},
      {"from the left edge", {0, 1, 2}, 1, W - 2},
      {"across sixteen-pixel blocks", {14, 15, 16}, 1, W - 16},
      {"at the right edge", {W - 3, W - 2, W - 1}, 1, 1},
      {"a broken run starts again", {10, 11, 13, 14, 15}, 1, W - 15},
  };
  for (const Case& c : cases) {
    const TRowMotion m = Row(W, c.moving);
    EXPECT_EQ(m.Count, c.count) << c.what;
    EXPECT_EQ(m.Sum, c.sum) << c.what;
  }
}

TEST(MotionTracker, RowScanAgreesWithAPixelByPixelScan) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const int width = 1 + static_cast<int>(random() % 200);
    const int threshold = 1 + static_cast<int>(random() % 320);
    // Rows of still pixels with noise and patches of motion of every size.
    std::vector<uint8_t> a(static_cast<size_t>(width) * 3), b(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
      a[i] = static_cast<uint8_t>(random());
      const int noise = static_cast<int>(random() % 9) - 4;
      b[i] = static_cast<uint8_t>(std::clamp(a[i] + noise, 0, 255));
    }
    for (int patch = static_cast<int>(random() % 4); patch > 0; --patch) {
      const int from = static_cast<int>(random() % width);
      const int to = std::min(width, from + static_cast<int>(random() % 8));
      for (int x = from; x < to; ++x) b[3 * x + random() % 3] = static_cast<uint8_t>(random());
    }
    TRowMotion expected;
    for (int x = 0, run = 0; x < width; ++x) {
      int d = 0;
      for (int k = 0; k < 3; ++k) d += std::abs(a[3 * x + k] - b[3 * x + k]);
      run = d >= threshold ? run + 1 : 0;
      if (run >= 3) ++expected.Count, expected.Sum += width - x;
    }
    const TRowMotion got = CompareRow(a.data(), b.data(), width, threshold);
    ASSERT_EQ(got.Count, expected.Count) << "round " << round;
    ASSERT_EQ(got.Sum, expected.Sum) << "round " << round;
  }
}

TEST(MotionTracker, TheFirstRowWithMotionGivesTheMirroredPosition) {
  rtl::TBitmap a, b;
  MakeFrame(a, 640, 480);
  MakeFrame(b, 640, 480);
  EXPECT_EQ(FindMotion(a, b, 117).Kind, TMotion::None) << "no motion";

  // Motion at rows 100 and 200: the scan ends at 100. Pixels 318..322 move; 320..322 count.
  for (int x = 318; x <= 322; ++x) SetPixel(b, x, 100, 0, 0, 0);
  for (int x = 10; x <= 40; ++x) SetPixel(b, x, 200, 0, 0, 0);
  const TMotion m = FindMotion(a, b, 117);
  EXPECT_EQ(m.Kind, TMotion::Found);
  EXPECT_EQ(m.Y, 100);
  EXPECT_EQ(m.Xi, (320 + 319 + 318) / 3 + 1);
  EXPECT_EQ(m.Xf, 957.0 / 3 + 1);
  // Below the threshold nothing moves.
  EXPECT_EQ(FindMotion(a, b, 3 * 128 + 1).Kind, TMotion::None);
}

TEST(MotionTracker, TheEdgesOfThePictureAreTheEndsOfThePlayingRange) {
  constexpr int W = 640;
  struct Case {
    int firstMoving;
    float pos;
  };
  // A single counting pixel at x = 2 plays the top of the range, one at W − 1 the bottom.
  for (const Case c : {Case{0, 1.0f}, Case{W - 3, 2.0f / (W - 1)}}) {
    rtl::TBitmap a, b;
    MakeFrame(a, W, 4);
    MakeFrame(b, W, 4);
    for (int x = c.firstMoving; x < c.firstMoving + 3; ++x) SetPixel(b, x, 1, 0, 0, 0);
    const TMotion m = FindMotion(a, b, 117);
    ASSERT_EQ(m.Kind, TMotion::Found);
    EXPECT_EQ(CamPosAt(m.Xf, W), c.pos) << c.firstMoving;
  }
}

TEST(MotionTracker, AChangeOfLightIsIgnoredAndLeavesTheReferencePoint) {
  constexpr int W = 64;
  struct Case {
    int runLength;  // from x = 0 in row 5; all but two pixels count
    TMotion::TKind kind;
  };
  for (const Case c : {Case{W / 2 + 2, TMotion::Found}, Case{W / 2 + 3, TMotion::Ignored},
                       Case{W, TMotion::Ignored}}) {
    rtl::TBitmap a, b;
    MakeFrame(a, W, 48, 100);
    MakeFrame(b, W, 48, 100);
    for (int x = 0; x < c.runLength; ++x) SetPixel(b, x, 5, 200, 200, 200);
    const TMotion m = FindMotion(a, b, 117);
    EXPECT_EQ(m.Kind, c.kind) << c.runLength;
    if (c.kind != TMotion::Ignored) continue;
    int32_t camX = 7, camY = 5;
    bool on = true;
    EXPECT_EQ(FollowMotion(m, W, 48, {camX, camY, on}), TCamEvent::None);
    EXPECT_EQ(camX, 7);
    EXPECT_EQ(camY, 5);
    EXPECT_TRUE(on);
  }
}

TEST(MotionTracker, APersistentMovementIsAcceptedOnceTheReferenceCaughtUp) {
  const TMotion m{TMotion::Found, 100, 320, 320.0};
  int32_t camX = 0, camY = 0;
  bool on = false;
  const int32_t walk[][2] = {{80, 25}, {140, 43}, {185, 57}, {218, 67}, {243, 75}};
  for (const auto& point : walk) {
    EXPECT_EQ(FollowMotion(m, 640, 480, {camX, camY, on}), TCamEvent::None);
    EXPECT_EQ(camX, point[0]);
    EXPECT_EQ(camY, point[1]);
  }
  EXPECT_EQ(FollowMotion(m, 640, 480, {camX, camY, on}), TCamEvent::NoteOn) << "the sixth frame";
  EXPECT_TRUE(on);
}

TEST(MotionTracker, TheBottomLineEndsTheNote) {
  // 480 rows: the bottom line is 368. The reference sits on the motion, so it is accepted.
  ASSERT_EQ(BottomLine(480), 368);
  struct Case {
    int32_t y;
    bool on;
    TCamEvent event;
    bool onAfter;
  };
  const Case cases[] = {
      {367, false, TCamEvent::NoteOn, true},  {367, true, TCamEvent::NoteMove, true},
      {368, true, TCamEvent::NoteOff, false}, {368, false, TCamEvent::None, false},
      {479, true, TCamEvent::NoteOff, false},
  };
  for (const Case& c : cases) {
    int32_t camX = 300, camY = c.y;
    bool on = c.on;
    EXPECT_EQ(FollowMotion({TMotion::Found, c.y, 300, 300.0}, 640, 480, {camX, camY, on}), c.event)
        << c.y << " " << c.on;
    EXPECT_EQ(on, c.onAfter);
  }
  // A row far from the reference changes no note, but moves the reference.
  int32_t camX = 300, camY = 100;
  bool on = true;
  EXPECT_EQ(FollowMotion({TMotion::Found, 400, 300, 300.0}, 640, 480, {camX, camY, on}),
            TCamEvent::None);
  EXPECT_TRUE(on);
  EXPECT_EQ(camY, (300 + 400) / 4);
}

TEST(MotionTracker, NoteValuesOfARow) {
  EXPECT_EQ(CamVolumeAt(0, 480), 1.0f);
  EXPECT_EQ(CamVolumeAt(367, 480), static_cast<float>(1.0 / 368));
  EXPECT_EQ(CamVelocityOf(CamVolumeAt(367, 480)), 0);
  EXPECT_EQ(CamVelocityOf(1.0f), 127);
  EXPECT_EQ(CamVelocityOf(0.5f), 64) << "63.5: halves to even";
  EXPECT_EQ(CamVelocityOf(CamVolumeAt(184, 480)), 64) << "63.5 again: (368 − 184) / 368";

  // Smooth mode: from the lowest playing note at the left end to the highest at the right.
  EXPECT_EQ(SmoothCamFreq(48, 60, 0.0f), 440.0f);
  EXPECT_FLOAT_EQ(SmoothCamFreq(48, 60, 1.0f), 880.0f);
  EXPECT_FLOAT_EQ(SmoothCamFreq(0, 98, 0.0f), 27.5f);
  EXPECT_FLOAT_EQ(SmoothCamFreq(0, 98, 1.0f), static_cast<float>(440 * std::exp2(50.0 / 12)));
}

TEST(MotionTracker, AWideFrameIsComparedOverItsFirst4096Pixels) {
  rtl::TBitmap stored, other;
  MakeFrame(stored, 5000, 4);
  // Motion beyond pixel 4096 only.
  for (int x = 4500; x < 4600; ++x) SetPixel(stored, x, 2, 0, 0, 0);
  MatchFrameSizes(stored, other);
  EXPECT_EQ(stored.Width(), 4096);
  EXPECT_EQ(other.Width(), 4096);
  EXPECT_EQ(other.Height(), 4);
  // The first comparison is against a black frame of the same size: every pixel moved.
  const auto* black = static_cast<const uint8_t*>(other.ScanLine(3));
  EXPECT_TRUE(std::all_of(black, black + 4096 * 3, [](uint8_t v) { return v == 0; }));
  EXPECT_EQ(FindMotion(stored, other, 117).Kind, TMotion::Ignored);
  MakeFrame(other, 4096, 4);
  EXPECT_EQ(FindMotion(stored, other, 117).Kind, TMotion::None);
}

}  // namespace
