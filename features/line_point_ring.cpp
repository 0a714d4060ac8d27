#include "features/line_point_ring.h"

#include <limits>

namespace quorvel {

namespace {

constexpr double NO_COORDINATE = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void LinePointRing::allocate(int32_t lineSlots, int32_t samples, int32_t sampleMargin) {
  slots = lineSlots;
  pointsPerLine = samples;
  margin = sampleMargin;
  const size_t size =
      static_cast<size_t>(lineSlots) * static_cast<size_t>(samples + 2 * sampleMargin);
  x.assign(size, NO_COORDINATE);
  y.assign(size, NO_COORDINATE);
  z.assign(size, NO_COORDINATE);
}

// As SampleToWorldPoint, with each angle's cosine and sine taken from the table.
void LinePointRing::fillUpTo(int32_t last, const ScanStore& store, const SensorCalib& calib,
                             const SampleAngles& angles) {
  for (; nextLine <= last; ++nextLine) {
    const ScanLine& line = (*store.lines)[static_cast<size_t>(nextLine)];
    for (int32_t s = 0; s < pointsPerLine; ++s) {
      const size_t a = static_cast<size_t>(s);
      double r;
      const Vec3 p = pointRange(store, line, s, r)
                         ? scanToWorldPoint(calib, line, r, angles.cos[a], angles.sin[a])
                         : Vec3{NO_COORDINATE, NO_COORDINATE, NO_COORDINATE};
      const size_t i = at(nextLine, s);
      x[i] = p[0];
      y[i] = p[1];
      z[i] = p[2];
    }
  }
}

}  // namespace quorvel
