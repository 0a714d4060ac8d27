// The points of one map strip: every valid sample outside the mask band whose class is (or is
// not) road, binned into the strip. Each strip pass visits all samples again.
#pragma once

#include <cstdint>
#include <new>
#include <vector>

#include "export/export_sources.h"
#include "export/map_grid.h"
#include "export/road_selection.h"
#include "scan/point_reconstruction.h"

namespace quorvel {

// Calls visit(cell, point) for each selected sample that lands in the strip, scan lines in
// order and samples in order within a line.
template <typename Visit>
void visitStripPoints(const ExportSources& sources, RoadSelection selection,
                      const MapParams& params, const StripWindow& window, Visit visit) {
  const ScanStore& store = sources.store;
  const std::vector<uint8_t>& mask = *store.lineSegmentMask;
  const WorldPoints worldPoint(store, sources.calib);
  for (int32_t l = 0; l < store.lineCount; ++l) {
    for (int32_t s = 0; s < store.pointsPerLine; ++s) {
      if (inMaskBand(sources.mask, s)) continue;
      if (!isSelected(selection, mask[lineMajorIndex(store, l, s)])) continue;
      Vec3 point;
      if (!worldPoint(l, s, point)) continue;
      const std::optional<GridCell> cell = binPoint(params, window, point[0], point[1]);
      if (cell) visit(*cell, point);
    }
  }
}

// Sizes a strip buffer; false instead of throwing when the memory cannot be had.
template <typename T>
bool allocateStripBuffer(std::vector<T>& buffer, size_t cells) {
  try {
    buffer.assign(cells, T{});
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace quorvel
