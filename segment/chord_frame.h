// The chord frame of the samples a ... b of a scan line: each point's position U along the
// straight line through the points of a and b, and its signed offset V from that line.
#pragma once

#include <cstdint>

#include "scan/point_reconstruction.h"
#include "segment/line_work.h"

namespace quorvel {

// The right angle of a vertical chord, with exactly this value (not the full-precision pi / 2).
inline constexpr double CHORD_RIGHT_ANGLE = 1.570796327;

struct ChordDeviation {
  double maxDev;  // largest |V|; 0 when every offset is 0
  int32_t k;      // its 1-based position in the frame, the first of equal ones; 0 when maxDev 0
  bool hasDev;    // maxDev != 0
};

void chordFrame(LineWork& work, int32_t a, int32_t b);  // fills U, V at 1 ... n = b - a + 1
ChordDeviation chordDeviation(const LineWork& work);    // over V[1 ... n]
double pointDistance2D(const Vec2& p, const Vec2& q);   // Euclidean distance in the scan plane

}  // namespace quorvel
