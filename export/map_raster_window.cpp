#include "export/map_raster_window.h"

#include <algorithm>

#include "export/map_strip_points.h"

namespace quorvel {

RasterWindow pointsWindow(const ExportSources& sources, RoadSelection selection,
                          const MapParams& grid, int32_t margin) {
  int32_t minColumn = grid.width, maxColumn = -1, minRow = grid.length, maxRow = -1;
  const StripWindow allRows{0, grid.length};
  visitStripPoints(sources, selection, grid, allRows, [&](const GridCell& cell, const Vec3&) {
    minColumn = std::min(minColumn, cell.column);
    maxColumn = std::max(maxColumn, cell.column);
    minRow = std::min(minRow, cell.row);
    maxRow = std::max(maxRow, cell.row);
  });
  if (maxColumn < 0) return {};
  const int32_t firstColumn = std::max(minColumn - margin, 0);
  const int32_t firstRow = std::max(minRow - margin, 0);
  const int32_t endColumn = std::min<int64_t>(int64_t{maxColumn} + margin + 1, grid.width);
  const int32_t endRow = std::min<int64_t>(int64_t{maxRow} + margin + 1, grid.length);
  return {firstColumn, firstRow, endColumn - firstColumn, endRow - firstRow};
}

bool isEmptyWindow(const RasterWindow& window, MapCoverage coverage, PlacedRaster* placed) {
  if (coverage != MapCoverage::ItsPoints || (window.width > 0 && window.length > 0)) return false;
  if (placed) *placed = {window, 0.0, 0.0};
  return true;
}

}  // namespace quorvel
