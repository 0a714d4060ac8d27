// The road height raster: each cell of the map grid holds the rounded mean scaled height of the
// road points of its 3 x 3 neighbourhood, the heights scaled so that the road height range
// spans the 256 byte values. Writes BASE-r.master (eight header lines) and BASE-r.raw.
#pragma once

#include <string>

#include "export/export_sources.h"
#include "export/map_raster_window.h"
#include "export/road_height_range.h"
#include "scan/status.h"

namespace quorvel {

// Writes the raster as exportCountMap does; also fails, writing nothing, without a road height
// range (no road sample counted, or no height span).
Status exportRoadHeightMap(const ExportSources& sources, const std::string& chosenPath,
                           const std::string& templatePath,
                           MapCoverage coverage = MapCoverage::WholeGrid,
                           PlacedRaster* placed = nullptr);

// The window's command 109 on the process-wide records, with the path chosen in the save
// dialog: 1 when both files were written, else 0 and the reason in failure (when given).
int ExportRoadHeightMap(const char* path, Status* failure = nullptr);

}  // namespace quorvel
