// The points of every point export: each valid sample outside the mask band, scan lines in
// order and samples in order within a line. A sample without a point leaves no gap.
#pragma once

#include <cstdint>
#include <string>

#include "export/export_sources.h"
#include "scan/point_reconstruction.h"

namespace quorvel {

// Every coordinate is a finite number: the writers of stored coordinates (PLY, LAS) store no
// other, whatever reaches them (a pose or calibration of huge numbers can overflow).
bool isFinitePoint(const Vec3& point);

// "scan line L, sample S", the line counted from the drive's first (sources.firstLine).
std::string pointPlace(const ExportSources& sources, int32_t l, int32_t s);

// The fault of a point with a coordinate that is not finite, naming its line and sample.
Status nonFinitePointFault(const ExportSources& sources, int32_t l, int32_t s, const Vec3& point);

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
