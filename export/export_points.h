// The points of every point export: each valid sample outside the mask band, scan lines in
// order and samples in order within a line. A sample without a point leaves no gap.
#pragma once

#include <cstdint>

#include "export/export_sources.h"
#include "scan/point_reconstruction.h"

namespace quorvel {

// Calls visit(l, s, point) for each exported sample in export order.
template <typename Visit>
void visitExportPoints(const ExportSources& sources, Visit visit) {
  const ScanStore& store = sources.store;
  if (!hasScanLines(store)) return;
  const WorldPoints worldPoint(store, sources.calib);
  for (int32_t l = 0; l < store.lineCount; ++l) {
    for (int32_t s = 0; s < store.pointsPerLine; ++s) {
      if (inMaskBand(sources.mask, s)) continue;
      Vec3 point;
      if (worldPoint(l, s, point)) visit(l, s, point);
    }
  }
}

}  // namespace quorvel
