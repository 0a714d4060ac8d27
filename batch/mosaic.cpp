#include "batch/mosaic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "export/map_geotiff.h"
#include "scan/file_system.h"

namespace quorvel::batch {

namespace {

constexpr int64_t BAND_CELLS = int64_t{1} << 22;  // cells of the rows held at once

// Rows lo ... hi - 1 of a tile's raster that lie in the band, as read from its file.
Status readTileRows(const MosaicTile& tile, int32_t lo, int32_t hi,
                    std::vector<unsigned char>& rows, int32_t& first, int32_t& count) {
  const RasterWindow& w = tile.placed.window;
  first = std::max(lo, w.firstRow);
  count = std::min(hi, w.firstRow + w.length) - first;
  if (count <= 0 || w.width <= 0) return {};
  rows.resize(static_cast<size_t>(count) * static_cast<size_t>(w.width));
  FileHandle handle = -1;
  if (std::string reason = openRegularFile(tile.raster, handle); !reason.empty()) {
    return fileFault("cannot open the raster: " + reason, tile.raster);
  }
  size_t got = 0;
  const uint64_t offset =
      static_cast<uint64_t>(first - w.firstRow) * static_cast<uint64_t>(w.width);
  std::string reason = readFileAt(handle, offset, rows.data(), rows.size(), got);
  closeReadFile(handle);
  if (reason.empty() && got != rows.size()) reason = "the raster is shorter than its header says";
  return reason.empty() ? Status{} : fileFault("cannot read the raster: " + reason, tile.raster);
}

// Serves the grid's rows from bands of rows filled by Fill(lo, hi) when a row is asked outside
// the current band. The GeoTIFF asks for rows from the last down, so bands go downwards too.
template <typename Band>
class BandedRows {
 public:
  BandedRows(const MapParams& grid, Band band)
      : width_(grid.width),
        rows_(static_cast<int32_t>(std::max<int64_t>(1, BAND_CELLS / std::max(grid.width, 1)))),
        band_(std::move(band)) {}

  Status row(int32_t r, std::span<unsigned char> bytes) {
    if (r < lo_ || r >= hi_) {
      lo_ = std::max(0, r - rows_ + 1);
      hi_ = r + 1;
      if (Status status = band_.fill(lo_, hi_, width_); !status.ok()) return status;
    }
    band_.copyRow(r - lo_, width_, bytes);
    return {};
  }

 private:
  int32_t width_;
  int32_t rows_;
  int32_t lo_ = 0, hi_ = 0;
  Band band_;
};

// Calls add(cell, value, tile) for every cell of every tile in grid rows lo ... hi - 1, cell
// counted from the band's first row.
template <typename Add>
Status addTileCells(const std::vector<MosaicTile>& tiles, int32_t lo, int32_t hi, int32_t width,
                    std::vector<unsigned char>& rows, Add add) {
  for (const MosaicTile& tile : tiles) {
    const RasterWindow& placed = tile.placed.window;
    if (placed.firstColumn < 0 || placed.width < 0 || placed.width > width - placed.firstColumn) {
      return fault("the task's raster lies off the grid", tile.raster);  // never written past it
    }
    int32_t first = 0, count = 0;
    if (Status status = readTileRows(tile, lo, hi, rows, first, count); !status.ok()) {
      return status;
    }
    const RasterWindow& w = tile.placed.window;
    for (int32_t r = 0; r < count; ++r) {
      const size_t out = static_cast<size_t>(first + r - lo) * width + w.firstColumn;
      const unsigned char* in = rows.data() + static_cast<size_t>(r) * w.width;
      for (int32_t c = 0; c < w.width; ++c) add(out + c, in[c], tile.placed);
    }
  }
  return {};
}

struct CountBand {
  const std::vector<MosaicTile>* tiles;
  std::vector<unsigned char> counts;
  std::vector<unsigned char> rows;

  Status fill(int32_t lo, int32_t hi, int32_t width) {
    counts.assign(static_cast<size_t>(hi - lo) * static_cast<size_t>(width), 0);
    return addTileCells(
        *tiles, lo, hi, width, rows, [&](size_t cell, unsigned char count, const PlacedRaster&) {
          counts[cell] = static_cast<unsigned char>(std::min(255, counts[cell] + count));
        });
  }

  void copyRow(int32_t r, int32_t width, std::span<unsigned char> bytes) const {
    std::memcpy(bytes.data(), counts.data() + static_cast<size_t>(r) * width,
                static_cast<size_t>(width));
  }
};

struct RoadBand {
  const std::vector<MosaicTile>* tiles;
  std::vector<double> sums;
  std::vector<uint32_t> counts;
  std::vector<unsigned char> rows;

  Status fill(int32_t lo, int32_t hi, int32_t width) {
    const size_t cells = static_cast<size_t>(hi - lo) * static_cast<size_t>(width);
    sums.assign(cells, 0.0);
    counts.assign(cells, 0);
    return addTileCells(*tiles, lo, hi, width, rows,
                        [&](size_t cell, unsigned char level, const PlacedRaster& placed) {
                          if (level == 0) return;  // no road point reached the cell
                          sums[cell] += placed.oz + level * placed.demres;
                          ++counts[cell];
                        });
  }

  void copyRow(int32_t r, int32_t width, std::span<unsigned char> bytes) const {
    const size_t start = static_cast<size_t>(r) * width;
    for (int32_t c = 0; c < width; ++c) {
      const uint32_t n = counts[start + c];
      const float height =
          n ? static_cast<float>(sums[start + c] / n) : std::numeric_limits<float>::quiet_NaN();
      std::memcpy(bytes.data() + 4 * static_cast<size_t>(c), &height, sizeof height);
    }
  }
};

template <typename Band>
Status writeMosaic(const std::string& tifPath, const MapParams& grid, const GridBand& band,
                   Band source, std::optional<int32_t> epsg) {
  auto rows = std::make_shared<BandedRows<Band>>(grid, std::move(source));
  return writeGridGeoTiff(
      tifPath, grid, band, epsg,
      [rows](int32_t r, std::span<unsigned char> bytes) { return rows->row(r, bytes); });
}

}  // namespace

Status writeCountMosaic(const std::string& tifPath, const MapParams& grid,
                        const std::vector<MosaicTile>& tiles, std::optional<int32_t> epsg) {
  const GridBand band{GridCells::UInt8, "non-road points per cell", std::nullopt, std::nullopt,
                      0.0};
  return writeMosaic(tifPath, grid, band, CountBand{&tiles, {}, {}}, epsg);
}

Status writeRoadMosaic(const std::string& tifPath, const MapParams& grid,
                       const std::vector<MosaicTile>& tiles, std::optional<int32_t> epsg) {
  const GridBand band{GridCells::Float32, "road height", "nan", std::nullopt, 0.0};
  return writeMosaic(tifPath, grid, band, RoadBand{&tiles, {}, {}, {}}, epsg);
}

}  // namespace quorvel::batch
