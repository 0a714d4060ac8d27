#include "tests/support/profile_store.h"

#include <cmath>

#include "tests/support/grid_store.h"

namespace quorvel::test {
namespace {

// Range at which the ray of angle theta meets the line through p and q.
double rangeOnLine(double theta, const Vec2& p, const Vec2& q) {
  const double dx = q[0] - p[0], dy = q[1] - p[1];
  return (p[0] * dy - p[1] * dx) / (std::cos(theta) * dy - std::sin(theta) * dx);
}

}  // namespace

ScanStore profileStore(int16_t pointsPerLine, const std::vector<LineProfile>& lines) {
  ScanStore store = gridStore(static_cast<int32_t>(lines.size()), pointsPerLine, 1000.0f,
                              [](int32_t, int32_t) { return int16_t(0); });
  for (size_t l = 0; l < lines.size(); ++l) {
    for (const ProfileSpan& span : lines[l]) {
      for (int32_t s = span.first; s <= span.last; ++s) {
        const double r = rangeOnLine(s * store.angularStep, span.p, span.q);
        (*store.lines)[l].range[s] = static_cast<int16_t>(std::lround(r * 1000.0));
      }
    }
  }
  return store;
}

SensorCalib uprightCalib() {
  SensorCalib calib;
  calib.rotation = {1, 0, 0, 0, 0, -1, 0, 1, 0};
  return calib;
}

}  // namespace quorvel::test
