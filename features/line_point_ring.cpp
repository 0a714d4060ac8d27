#include "features/line_point_ring.h"

#include <limits>

#include "scan/point_reconstruction.h"

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

void LinePointRing::fillUpTo(int32_t last, const ScanStore& store, const SensorCalib& calib) {
  for (; nextLine <= last; ++nextLine) {
    for (int32_t s = 0; s < pointsPerLine; ++s) {
      Vec3 p = {NO_COORDINATE, NO_COORDINATE, NO_COORDINATE};
      SampleToWorldPoint(store, calib, nextLine, s, p);  // leaves p alone without a point
      const size_t i = at(nextLine, s);
      x[i] = p[0];
      y[i] = p[1];
      z[i] = p[2];
    }
  }
}

}  // namespace quorvel
