#include "capture/tracker/motiontracker.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tracker {

void MatchFrameSizes(rtl::TBitmap& stored, rtl::TBitmap& other) {
  if (stored.Width() > MaxFrameWidth) stored.SetWidth(MaxFrameWidth);
  other.SetSize(stored.Width(), stored.Height());
}

namespace {

// True when some byte of the 48 at a and b differs by at least least (> 0): only then can one
// of the 16 pixels there move, since a pixel's difference is at most three times its largest
// byte difference.
inline bool BlockMayMove(const uint8_t* a, const uint8_t* b, __m128i belowLeast) {
  __m128i any = _mm_setzero_si128();
  for (int i = 0; i < 48; i += 16) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i diff = _mm_or_si128(_mm_subs_epu8(p, q), _mm_subs_epu8(q, p));
    any = _mm_or_si128(any, _mm_subs_epu8(diff, belowLeast));
  }
  return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF;
}

}  // namespace

TRowMotion CompareRow(const uint8_t* a, const uint8_t* b, int32_t width, int32_t threshold) {
  TRowMotion m;
  int32_t run = 0;  // moving pixels in a row up to x
  auto pixel = [&](int32_t x) {
    const uint8_t* p = a + 3 * static_cast<ptrdiff_t>(x);
    const uint8_t* q = b + 3 * static_cast<ptrdiff_t>(x);
    const int32_t d = std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
    if (d >= threshold) {
      if (++run >= 3) {
        ++m.Count;
        m.Sum += width - x;
      }
    } else {
      run = 0;
    }
  };
  int32_t x = 0;
  if (threshold > 0) {
    // Most of a picture holds still: whole blocks of still pixels are passed over at once.
    const int32_t least = (threshold + 2) / 3;
    const __m128i belowLeast = _mm_set1_epi8(static_cast<char>(std::min(least - 1, 255)));
    for (; x + 16 <= width; x += 16) {
      const ptrdiff_t at = 3 * static_cast<ptrdiff_t>(x);
      if (!BlockMayMove(a + at, b + at, belowLeast)) {
        run = 0;
        continue;
      }
      for (int32_t i = x; i < x + 16; ++i) pixel(i);
    }
  }
  for (; x < width; ++x) pixel(x);
  return m;
}

TMotion FindMotion(rtl::TBitmap& a, rtl::TBitmap& b, int32_t threshold) {
  const int32_t W = a.Width(), H = a.Height();
  if (W <= 0 || H <= 0 || a.Empty() || b.Empty() || b.Width() != W || b.Height() != H) return {};
  // Rows of fewer than three bytes a pixel are not frames the tracker can read.
  if (a.RowBytes() < 3 * W || b.RowBytes() < 3 * W) return {};
  for (int32_t y = 0; y < H; ++y) {
    const TRowMotion row = CompareRow(static_cast<const uint8_t*>(a.ScanLine(y)),
                                      static_cast<const uint8_t*>(b.ScanLine(y)), W, threshold);
    if (row.Count > W / 2) return {TMotion::Ignored, y, 0, 0};
    if (row.Count == 0) continue;
    return {TMotion::Found, y, static_cast<int32_t>(row.Sum / row.Count) + 1,
            static_cast<double>(row.Sum) / row.Count + 1};
  }
  return {};
}

TCamEvent FollowMotion(const TMotion& motion, int32_t width, int32_t height, TTrackState state) {
  // An ignored frame or one without motion changes nothing, the reference point included.
  if (motion.Kind != TMotion::Found) return TCamEvent::None;
  const int32_t y = motion.Y, xi = motion.Xi;
  TCamEvent event = TCamEvent::None;
  if (std::abs(y - state.CamY) < height / 8 && std::abs(xi - state.CamX) < width / 8) {
    const bool below = y >= BottomLine(height);
    if (state.CamNoteOn) {
      if (below) {
        state.CamNoteOn = false;
        event = TCamEvent::NoteOff;
      } else {
        event = TCamEvent::NoteMove;
      }
    } else if (!below) {
      state.CamNoteOn = true;
      event = TCamEvent::NoteOn;
    }
  }
  // A movement far from the reference is ignored at first; when it persists the reference
  // follows it a quarter of the way per frame, and it is accepted after a few frames.
  state.CamX = (3 * state.CamX + xi) / 4;
  state.CamY = (3 * state.CamY + y) / 4;
  return event;
}

float CamVolumeAt(int32_t y, int32_t height) {
  const int32_t B = BottomLine(height);
  return static_cast<float>(static_cast<double>(B - y) / B);
}

float CamPosAt(double xf, int32_t width) {
  return static_cast<float>(xf) / static_cast<float>(width - 1);
}

int32_t CamVelocityOf(float volume) {
  // The product is exact in double; nearbyint rounds halves to even.
  return static_cast<int32_t>(std::nearbyint(127.0 * static_cast<double>(volume)));
}

float SmoothCamFreq(int32_t lo, int32_t hi, float pos) {
  float a = static_cast<float>(hi - lo) * pos;
  a = a - 48.0f;
  a = static_cast<float>(lo) + a;
  return static_cast<float>(std::exp(static_cast<double>(a) * 0.6931471805599453 / 12) * 440);
}

}  // namespace tracker
