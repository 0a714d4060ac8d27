// The literal map rasters: every strip reconstructs and bins every sample again, as the map
// exports first did. The oracle of the exports that bin the points once.
#pragma once

#include <algorithm>
#include <vector>

#include "export/map_export_setup.h"
#include "export/map_strip_points.h"
#include "export/road_height_strip.h"

namespace quorvel::reference {

// The raster bytes of the count map for a prepared setup.
inline std::vector<unsigned char> countRaster(const ExportSources& sources,
                                              const MapExportSetup& setup) {
  const size_t width = static_cast<size_t>(setup.raster.width);
  std::vector<unsigned char> raster;
  for (int32_t k = 0; k < setup.plan.strips; ++k) {
    const StripWindow window = rasterStrip(setup.plan, k, setup.raster);
    std::vector<unsigned char> counts(static_cast<size_t>(window.rows) * width, 0);
    visitStripPoints(sources, RoadSelection::NonRoad, setup.params, window,
                     [&](const GridCell& cell, const Vec3&) {
                       unsigned char& count =
                           counts[size_t(cell.row) * width + size_t(cell.column)];
                       if (count < 255) ++count;
                     });
    raster.insert(raster.end(), counts.begin(), counts.end());
  }
  return raster;
}

// The raster bytes of the road height map for a prepared setup with oz and demres set.
inline std::vector<unsigned char> roadRaster(const ExportSources& sources,
                                             const MapExportSetup& setup) {
  const MapParams& params = setup.params;
  RoadHeightStrip strip;
  strip.allocate(static_cast<size_t>(setup.plan.rowsPerStrip), size_t(setup.raster.width));
  std::vector<unsigned char> raster;
  for (int32_t k = 0; k < setup.plan.strips; ++k) {
    const StripWindow window = rasterStrip(setup.plan, k, setup.raster);
    strip.start(window);
    visitStripPoints(sources, RoadSelection::Road, params, window,
                     [&](const GridCell& cell, const Vec3& point) {
                       const double h = (point[2] - params.oz) / params.demres;
                       if (h >= 0.0 && h < HEIGHT_BINS) strip.addRoadPoint(cell, h);
                     });
    const std::span<const unsigned char> values = strip.finish();
    raster.insert(raster.end(), values.begin(), values.end());
  }
  return raster;
}

}  // namespace quorvel::reference
