#include "segment/chord_frame.h"

#include <cmath>

namespace quorvel {

namespace {

// Rotation angle that lays the chord from a to b along the U axis.
double chordAngle(const LineWork& work, int32_t a, int32_t b) {
  const double dx = work.X[b] - work.X[a];
  const double dy = work.Y[b] - work.Y[a];
  if (dx == 0) return dy <= 0 ? CHORD_RIGHT_ANGLE : -CHORD_RIGHT_ANGLE;
  return -std::atan(dy / dx);
}

}  // namespace

void chordFrame(LineWork& work, int32_t a, int32_t b) {
  const double theta = chordAngle(work, a, b);
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  for (int32_t k = a; k <= b; ++k) {
    const double ex = work.X[k] - work.X[a];
    const double ey = work.Y[k] - work.Y[a];
    work.U[k - a + 1] = ex * c - ey * s;
    work.V[k - a + 1] = ex * s + ey * c;
  }
  work.n = b - a + 1;
}

ChordDeviation chordDeviation(const LineWork& work) {
  ChordDeviation dev{0.0, 0, false};
  for (int32_t j = 1; j <= work.n; ++j) {
    if (std::fabs(work.V[j]) > dev.maxDev) {
      dev.maxDev = std::fabs(work.V[j]);
      dev.k = j;
    }
  }
  dev.hasDev = dev.maxDev != 0;
  return dev;
}

double pointDistance2D(const Vec2& p, const Vec2& q) {
  const double dx = p[0] - q[0];
  const double dy = p[1] - q[1];
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace quorvel
