#include "sim/range_measurement.h"

#include <algorithm>
#include <cmath>

namespace quorvel::sim {

RangeReading measureRange(const RayHit& hit, RandomStream& random) {
  if (hit.surface == SurfaceClass::None) return {0, SurfaceClass::None};
  if (hit.behindGlass && random.chance(GLASS_LOSS)) return {0, SurfaceClass::None};
  const double noisy = hit.range + RANGE_NOISE * random.normal();
  const double raw = std::clamp(std::trunc(noisy * RANGE_UNIT + 0.5), 1.0, double{MAX_RAW_RANGE});
  return {static_cast<int16_t>(raw), hit.surface};
}

}  // namespace quorvel::sim
