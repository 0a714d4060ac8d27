#include "export/point_bounds.h"

#include "scan/point_reconstruction.h"

namespace quorvel {

int pointBounds(const ExportSources& sources, Vec3& max, Vec3& min) {
  const ScanStore& store = sources.store;
  if (!hasScanLines(store)) return 0;
  max = {-99999999.0, -99999999.0, -99999999.0};
  min = {99999999.0, 99999999.0, 99999999.0};
  const WorldPoints worldPoint(store, sources.calib);
  for (int32_t l = 0; l < store.lineCount; ++l) {
    for (int32_t s = 0; s < store.pointsPerLine; s += 2) {
      Vec3 point;
      if (!worldPoint(l, s, point)) continue;
      for (size_t axis = 0; axis < 3; ++axis) {
        if (point[axis] >= max[axis]) max[axis] = point[axis];
        if (point[axis] <= min[axis]) min[axis] = point[axis];
      }
    }
  }
  return 1;
}

int PointBounds(Vec3& max, Vec3& min) {
  return pointBounds(processExportSources(), max, min);
}

}  // namespace quorvel
