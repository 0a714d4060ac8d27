// One band on a map grid as a Cloud-Optimized GeoTIFF, written through GDAL: north up (image row
// 0 is the grid's last row: pixel size (pixelsize, -pixelsize), upper left corner (ox - pixelsize
// / 2, oy + (length - 0.5) x pixelsize), as ox and oy are cell centres), tiles of 512 x 512 cells
// (tile_pyramid.h: the overview levels and how their cells are made), ZSTD-compressed, sparse
// (a tile of nothing but the empty value is not stored), BigTIFF when the stored tiles could
// pass 4 GiB, the EPSG code's coordinate system when one is given.
//
// The file holds its directories first, then the tiles level by level from the smallest
// overview to the full grid, each level row by row: the layout GDAL's COG checker accepts.
//
// Cost follows the tiles that may hold data (the source's candidates), not the grid: each is
// filled twice (for the overviews, then to be written) and the overviews pass through a
// temporary GeoTIFF beside the target, so a few tiles are in memory at a time. GDAL's own COG
// driver reads every tile of the grid, empty or not, to build the overviews and again to copy
// them (three minutes for a 10^10-cell grid holding 80 tiles of data), hence this writer builds
// the pyramid itself and writes it with GDAL's block calls. The offsets of all tiles, stored or
// not, take 8 bytes each (16 in a BigTIFF): 6 MB for 10^11 cells.
//
// Limitations: only the platforms with GDAL build this (not the Windows program).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "export/map_params.h"
#include "export/tile_pyramid.h"
#include "scan/status.h"

namespace quorvel {

// The band: its cells and what GDAL tells about them.
struct GridBand {
  TileCells cells;
  std::string description;      // GDAL's band description
  std::optional<double> scale;  // a cell value v stands for offset + v x scale
  double offset = 0.0;
};

// The full grid's tiles that may hold data and how to fill one.
struct CogSource {
  std::vector<TileIndex> candidates;  // any order; a repeated tile counts once
  // Writes the tile's cells on the grid (TILE_CELLS rows of TILE_CELLS cells, image row 0 first)
  // into cells, which hold the empty value on entry; those beyond the grid's edge are left so.
  std::function<Status(TileIndex tile, std::span<unsigned char> cells)> fill;
  // When given, told of every tile the file stores just before it is written: the levels from the
  // smallest overview (level levels - 1) to the full grid (level 0), each row by row.
  std::function<Status(size_t level, size_t levels, TileIndex tile,
                       std::span<const unsigned char> cells)>
      stored;
};

// Writes the file through the durable writer. Fails, writing nothing, when the EPSG code does
// not name a projected coordinate system in metres, when the source fails (its reason) or when
// the file cannot be written whole; a previous file of that name then stays as it was.
Status writeCog(const std::string& path, const MapParams& grid, const GridBand& band,
                std::optional<int32_t> epsg, const CogSource& source);

}  // namespace quorvel
