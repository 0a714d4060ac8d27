// The mosaics of a batch: the tasks' map rasters, each a window of the batch's grid, put
// together on the whole grid as Cloud-Optimized GeoTIFFs (export/cog_writer.h). Only the tiles
// that some task's window reaches are computed, each from the rows of those tasks' rasters that
// fall in it, so time and memory follow the tasks' rasters, not the grid.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/cog_writer.h"
#include "export/map_params.h"
#include "export/map_raster_window.h"
#include "scan/status.h"

namespace quorvel::batch {

struct TaskRaster {
  std::string raster;  // the task's BASE.raw
  PlacedRaster placed;
};

// Counts summed over the rasters, at most 255: what one raster over all their points would hold.
// Each also tells `stored` of every tile it stores (export/cog_writer.h), when given.
using StoredTiles = decltype(CogSource::stored);

Status writeCountMosaic(const std::string& tifPath, const MapParams& grid,
                        const std::vector<TaskRaster>& rasters, std::optional<int32_t> epsg,
                        const StoredTiles& stored = {});

// Road heights oz + v x demres of each raster's cells (v > 0), the mean where rasters overlap
// (summed in the rasters' order), as Float32; NaN (no-data) where no raster has road.
Status writeRoadMosaic(const std::string& tifPath, const MapParams& grid,
                       const std::vector<TaskRaster>& rasters, std::optional<int32_t> epsg,
                       const StoredTiles& stored = {});

}  // namespace quorvel::batch
