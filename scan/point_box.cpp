#include "scan/point_box.h"

#include "scan/point_reconstruction.h"

namespace quorvel {

PointBox validPointBox(const ScanStore& store, const SensorCalib& calib) {
  PointBox box;
  const WorldPoints worldPoint(store, calib);
  for (int32_t l = 0; l < store.lineCount; ++l) {
    for (int32_t s = 0; s < store.pointsPerLine; ++s) {
      Vec3 p;
      if (!worldPoint(l, s, p)) continue;
      ++box.valid;
      for (int k = 0; k < 3; ++k) {
        if (p[k] < box.min[k]) box.min[k] = p[k];
        if (p[k] > box.max[k]) box.max[k] = p[k];
      }
    }
  }
  return box;
}

}  // namespace quorvel
