// The window of the map grid that a batch task's raster covers: the cells its points reach.
#pragma once

#include <cstdint>

#include "export/export_sources.h"
#include "export/map_grid.h"
#include "export/road_selection.h"

namespace quorvel {

// Whether a map export fills the whole grid or only the cells its points reach.
enum class MapCoverage { WholeGrid, ItsPoints };

// Where a written raster lies on its grid, and the height scale of a road height raster, at
// full precision (the header text rounds them to six decimals).
struct PlacedRaster {
  RasterWindow window;
  double oz = 0.0;
  double demres = 0.0;
};

// With MapCoverage::ItsPoints, a window without cells (no selected point lands on the grid) is
// written as no raster at all: true then, with placed (when given) set to that empty window.
bool isEmptyWindow(const RasterWindow& window, MapCoverage coverage, PlacedRaster* placed);

// The smallest window of the grid that holds every cell the selected points land in, widened by
// margin cells on every side but kept within the grid; width and length 0 when no point lands
// on the grid.
RasterWindow pointsWindow(const ExportSources& sources, RoadSelection selection,
                          const MapParams& grid, int32_t margin);

}  // namespace quorvel
