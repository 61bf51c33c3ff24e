// The motion tracker's arithmetic: two 24-bit frames compared row by row from the top until the
// first row in which something moves, the acceptance of that row near a slowly following
// reference point, the note state it drives, and the note values of the row. No window and no
// thread of its own: the main window's frame handler runs it on the capture streaming thread.
#pragma once

#include <cstdint>

#include "rtl/graphics.h"

namespace tracker {

// Frames are compared over at most this many pixels of each row.
inline constexpr int32_t MaxFrameWidth = 4096;

// After GetBitmap put a frame into stored: a width above MaxFrameWidth is cut to it, and other
// takes the same size (padded with zeros where it grows, so the first comparison of a run is
// defined: a frame against black).
void MatchFrameSizes(rtl::TBitmap& stored, rtl::TBitmap& other);

// The motion of one row: n counting pixels and the sum S of (W − x) over them. A pixel moves
// when the sum of the absolute differences of its three bytes reaches the threshold; it counts
// only as the third or later pixel of an unbroken run of moving pixels.
struct TRowMotion {
  int32_t Count = 0;
  int64_t Sum = 0;
};
TRowMotion CompareRow(const uint8_t* a, const uint8_t* b, int32_t width, int32_t threshold);

struct TMotion {
  enum TKind { None, Ignored, Found };
  TKind Kind = None;
  int32_t Y = 0;   // the first motion row
  int32_t Xi = 0;  // S div n + 1: the mirrored integer position
  double Xf = 0;   // S / n + 1
};
// Scans the rows of two frames of equal size from the top: the first row with counting pixels,
// or Ignored when more than half the width counts there (a change of light, a moving camera).
TMotion FindMotion(rtl::TBitmap& a, rtl::TBitmap& b, int32_t threshold);

// What the tracker posts for a frame.
enum class TCamEvent { None, NoteOn, NoteMove, NoteOff };

// The note state and the reference point, owned by the streaming thread.
struct TTrackState {
  int32_t& CamX;
  int32_t& CamY;
  bool& CamNoteOn;
};

// The bottom line: motion first seen at or below it ends the note. 368 for 480 rows.
inline int32_t BottomLine(int32_t height) { return height - height / 4 + 8; }

// Acceptance of a found motion row near the reference point, the note state it drives, and the
// quarter-way move of the reference point (whether or not the row was accepted).
TCamEvent FollowMotion(const TMotion& motion, int32_t width, int32_t height, TTrackState state);

// The note values of a motion row.
float CamVolumeAt(int32_t y, int32_t height);            // (B − y) / B, double stored as single
float CamPosAt(double xf, int32_t width);                // xf / (W − 1) in single precision
int32_t CamVelocityOf(float volume);                     // 127 × volume, halves to even
float SmoothCamFreq(int32_t lo, int32_t hi, float pos);  // the smooth-mode pitch

}  // namespace tracker
