// The points of a map export binned once: every selected sample's cell of the grid and height,
// in scan-line and sample order, reconstructed in parallel over the scan lines. The strip passes
// then walk this list in that order instead of reconstructing every point for every strip, so
// each cell receives the same values in the same order as before.
#pragma once

#include <cstdint>
#include <vector>

#include "export/export_sources.h"
#include "export/map_grid.h"
#include "export/road_selection.h"

namespace quorvel {

struct CellPoint {
  int32_t row = 0;     // of the grid
  int32_t column = 0;  // of the grid
  double z = 0.0;      // the world point's height
};

// The selected points that land in the raster's window of the grid; may throw std::bad_alloc.
std::vector<CellPoint> binnedPoints(const ExportSources& sources, RoadSelection selection,
                                    const MapParams& grid, const RasterWindow& raster);

// The cell of a binned point within strip `window`, or none when it lies in another strip.
inline bool cellInStrip(const CellPoint& point, const StripWindow& window, GridCell& cell) {
  const int32_t row = point.row - window.firstRow;
  if (row < 0 || row >= window.rows) return false;
  cell = {row, point.column - window.firstColumn};
  return true;
}

}  // namespace quorvel
