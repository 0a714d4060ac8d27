#include "batch/mosaic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "export/cog_writer.h"
#include "scan/file_system.h"

namespace quorvel::batch {

namespace {

// Cells of the image (row 0 at the top: the grid's last row): rows top ... bottom - 1, columns
// left ... right - 1.
struct ImageWindow {
  int64_t top = 0, bottom = 0, left = 0, right = 0;
  bool empty() const { return top >= bottom || left >= right; }
};

ImageWindow intersection(const ImageWindow& a, const ImageWindow& b) {
  return {std::max(a.top, b.top), std::min(a.bottom, b.bottom), std::max(a.left, b.left),
          std::min(a.right, b.right)};
}

// A task raster's cells on the image.
ImageWindow imageWindow(const RasterWindow& w, const MapParams& grid) {
  return {int64_t{grid.length} - w.firstRow - w.length, int64_t{grid.length} - w.firstRow,
          w.firstColumn, int64_t{w.firstColumn} + w.width};
}

// Every raster on the grid, so that none is written past it.
Status checkOnGrid(const std::vector<TaskRaster>& rasters, const MapParams& grid) {
  for (const TaskRaster& raster : rasters) {
    const ImageWindow w = imageWindow(raster.placed.window, grid);
    if (!w.empty() && (w.top < 0 || w.left < 0 || w.bottom > grid.length || w.right > grid.width)) {
      return fault("the task's raster lies off the grid", raster.raster);
    }
  }
  return {};
}

ImageWindow tileWindow(TileIndex tile) {
  const int64_t top = int64_t{tile.row} * TILE_CELLS, left = int64_t{tile.column} * TILE_CELLS;
  return {top, top + TILE_CELLS, left, left + TILE_CELLS};
}

// Which rasters reach which tile: (tile, raster index) pairs sorted by tile, then raster order.
using TileRasters = std::vector<std::pair<TileIndex, size_t>>;

TileRasters tileRasters(const std::vector<TaskRaster>& rasters, const MapParams& grid) {
  TileRasters pairs;
  for (size_t k = 0; k < rasters.size(); ++k) {
    const ImageWindow w = imageWindow(rasters[k].placed.window, grid);
    if (w.empty()) continue;
    for (int64_t row = w.top / TILE_CELLS; row <= (w.bottom - 1) / TILE_CELLS; ++row) {
      for (int64_t column = w.left / TILE_CELLS; column <= (w.right - 1) / TILE_CELLS; ++column) {
        pairs.push_back({{static_cast<int32_t>(row), static_cast<int32_t>(column)}, k});
      }
    }
  }
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

// Calls add(cell, value, raster) for every cell of the raster in the tile, cell counted from the
// tile's top left.
template <typename Add>
Status addRasterCells(const TaskRaster& raster, TileIndex tile, const MapParams& grid, Add add) {
  const RasterWindow& w = raster.placed.window;
  const ImageWindow whole = tileWindow(tile);
  const ImageWindow cells = intersection(imageWindow(w, grid), whole);
  if (cells.empty()) return {};
  ReadOnlyFile file;
  if (std::string reason = file.open(raster.raster); !reason.empty()) {
    return fileFault("cannot open the raster: " + reason, raster.raster);
  }
  std::vector<unsigned char> row(static_cast<size_t>(cells.right - cells.left));
  for (int64_t i = cells.top; i < cells.bottom; ++i) {
    const int64_t rasterRow = grid.length - 1 - i - w.firstRow;
    const uint64_t offset = static_cast<uint64_t>(rasterRow) * static_cast<uint64_t>(w.width) +
                            static_cast<uint64_t>(cells.left - w.firstColumn);
    size_t got = 0;
    std::string reason = readFileAt(file.handle(), offset, row.data(), row.size(), got);
    if (reason.empty() && got != row.size()) reason = "the raster is shorter than its header says";
    if (!reason.empty()) return fileFault("cannot read the raster: " + reason, raster.raster);
    const size_t first =
        static_cast<size_t>((i - whole.top) * TILE_CELLS + (cells.left - whole.left));
    for (size_t c = 0; c < row.size(); ++c) add(first + c, row[c], raster.placed);
  }
  return {};
}

// The mosaic's tiles: those the rasters reach, each filled by Fill(tile, rasters in it, cells).
template <typename Fill>
CogSource mosaicSource(const std::vector<TaskRaster>& rasters, const MapParams& grid, Fill fill) {
  auto pairs = std::make_shared<const TileRasters>(tileRasters(rasters, grid));
  CogSource source;
  for (const auto& pair : *pairs) source.candidates.push_back(pair.first);
  source.fill = [pairs, &rasters, fill](TileIndex tile, std::span<unsigned char> cells) {
    const auto [begin, end] =
        std::equal_range(pairs->begin(), pairs->end(), std::pair<TileIndex, size_t>{tile, 0},
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const TaskRaster*> inTile;
    for (auto it = begin; it != end; ++it) inTile.push_back(&rasters[it->second]);
    return fill(tile, inTile, cells);
  };
  return source;
}

Status fillCounts(TileIndex tile, const std::vector<const TaskRaster*>& rasters,
                  const MapParams& grid, std::span<unsigned char> counts) {
  for (const TaskRaster* raster : rasters) {
    Status status = addRasterCells(
        *raster, tile, grid, [&](size_t cell, unsigned char count, const PlacedRaster&) {
          counts[cell] = static_cast<unsigned char>(std::min(255, counts[cell] + count));
        });
    if (!status.ok()) return status;
  }
  return {};
}

// Sums and counts of the heights that reach each cell of a tile, kept from tile to tile.
struct HeightSums {
  std::vector<double> sums = std::vector<double>(size_t{TILE_CELLS} * TILE_CELLS);
  std::vector<uint32_t> counts = std::vector<uint32_t>(size_t{TILE_CELLS} * TILE_CELLS);
};

Status fillHeights(TileIndex tile, const std::vector<const TaskRaster*>& rasters,
                   const MapParams& grid, HeightSums& h, std::span<unsigned char> heights) {
  std::fill(h.sums.begin(), h.sums.end(), 0.0);
  std::fill(h.counts.begin(), h.counts.end(), 0);
  for (const TaskRaster* raster : rasters) {
    Status status = addRasterCells(*raster, tile, grid,
                                   [&](size_t cell, unsigned char level, const PlacedRaster& p) {
                                     if (level == 0) return;  // no road point reached the cell
                                     h.sums[cell] += p.oz + level * p.demres;
                                     ++h.counts[cell];
                                   });
    if (!status.ok()) return status;
  }
  for (size_t cell = 0; cell < h.sums.size(); ++cell) {
    if (h.counts[cell] == 0) continue;  // the cell keeps the no-data value
    const float height = static_cast<float>(h.sums[cell] / h.counts[cell]);
    std::memcpy(heights.data() + 4 * cell, &height, sizeof height);
  }
  return {};
}

}  // namespace

Status writeCountMosaic(const std::string& tifPath, const MapParams& grid,
                        const std::vector<TaskRaster>& rasters, std::optional<int32_t> epsg,
                        const StoredTiles& stored) {
  const GridBand band{
      {GridCells::UInt8, std::nullopt}, "non-road points per cell", std::nullopt, 0.0};
  if (Status status = checkOnGrid(rasters, grid); !status.ok()) return status;
  CogSource source =
      mosaicSource(rasters, grid, [&grid](TileIndex tile, const auto& in, auto cells) {
        return fillCounts(tile, in, grid, cells);
      });
  source.stored = stored;
  return writeCog(tifPath, grid, band, epsg, source);
}

Status writeRoadMosaic(const std::string& tifPath, const MapParams& grid,
                       const std::vector<TaskRaster>& rasters, std::optional<int32_t> epsg,
                       const StoredTiles& stored) {
  const GridBand band{{GridCells::Float32, std::numeric_limits<double>::quiet_NaN()},
                      "road height",
                      std::nullopt,
                      0.0};
  if (Status status = checkOnGrid(rasters, grid); !status.ok()) return status;
  auto sums = std::make_shared<HeightSums>();
  CogSource source =
      mosaicSource(rasters, grid, [&grid, sums](TileIndex tile, const auto& in, auto cells) {
        return fillHeights(tile, in, grid, *sums, cells);
      });
  source.stored = stored;
  return writeCog(tifPath, grid, band, epsg, source);
}

}  // namespace quorvel::batch
