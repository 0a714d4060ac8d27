// The mosaics of a batch: the tasks' map rasters, each a window of the batch's grid, put
// together on the whole grid and written as GeoTIFFs a band of rows at a time.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/map_params.h"
#include "export/map_raster_window.h"
#include "scan/status.h"

namespace quorvel::batch {

struct MosaicTile {
  std::string raster;  // the task's BASE.raw
  PlacedRaster placed;
};

// Counts summed over the tiles, at most 255: what one raster over all their points would hold.
Status writeCountMosaic(const std::string& tifPath, const MapParams& grid,
                        const std::vector<MosaicTile>& tiles, std::optional<int32_t> epsg);

// Road heights oz + v x demres of each tile's cells (v > 0), the mean where tiles overlap, as
// Float32; NaN where no tile has road.
Status writeRoadMosaic(const std::string& tifPath, const MapParams& grid,
                       const std::vector<MosaicTile>& tiles, std::optional<int32_t> epsg);

}  // namespace quorvel::batch
