// The mosaics as map tiles for the batch page: view/tiles/STAMP/LAYER/Z/X/Y.png, read through
// GDAL from the mosaic's full level and its overviews (zoom Z shows level levels - 1 - Z, so the
// last zoom shows one cell per pixel). A tile is one of the mosaic's own 512 x 512 blocks, as
// an 8-bit PNG whose palette holds the layer's colour ramp and whose index 0 (no points, no
// road) is transparent. Only tiles that hold data are written: blocks the mosaic does not store
// are not read at all, so the cost follows the data, not the grid. view/tiles.js lists the
// layers, their ramps and their tiles; the tiles of earlier merges go once it names the new ones
// (a page open meanwhile keeps the files it names until it is reloaded).
#pragma once

#include <optional>
#include <string>

#include "scan/status.h"

namespace quorvel::batch {

inline constexpr int32_t PAGE_TILE_PIXELS = 512;

// The mosaics to show: paths of the count and road height GeoTIFFs, each when there is one.
struct PageMosaics {
  std::optional<std::string> counts;
  std::optional<std::string> heights;
};

// Writes the tiles and view/tiles.js (the path given), replacing the layers an earlier merge
// wrote; the mosaics' levels must be those of one grid.
Status writeMapTiles(const std::string& dir, const PageMosaics& mosaics,
                     const std::string& tilesScript);

}  // namespace quorvel::batch
