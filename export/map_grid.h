// The grid of a map raster: origin and size from the extent of the data, the strip plan that
// bounds the memory of one pass (at most 2^24 cells plus one row), and the binning of world
// points into the cells of a strip.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include "export/map_params.h"
#include "scan/geometry.h"
#include "scan/status.h"

namespace quorvel {

inline constexpr int64_t STRIP_CELLS = 16777216;              // 2^24
inline constexpr int64_t MAP_RASTER_CELL_LIMIT = 2147483647;  // a raster holds fewer than 2^31

// Fails unless the cell size is a positive finite number.
Status checkPixelsize(const MapParams& params);

// Takes the data's minimum x, y as origin when the origin is (0.0, 0.0), and the smallest
// multiples of 8 beyond the extent as size when width and length are both 0. Fails when the
// cell size is not a positive finite number or a size does not fit 32 bits. A size may come out
// 0 or negative (origin beyond the data, no valid point): such a raster has no cells.
Status fitMapGrid(const Vec3& max, const Vec3& min, MapParams& params);

struct StripPlan {
  int32_t strips = 0;        // passes over the samples; 0 for a raster without cells
  int32_t rowsPerStrip = 0;  // rows of the strip buffer
};

// S = width x length / 2^24 + 1 strips of ceil(length / S) rows; no strip for a width or length
// of 0 or less. Fails when width x length reaches 2^31.
Status planStrips(int32_t width, int32_t length, StripPlan& plan);

// The cells of the grid that one strip pass fills: grid rows firstRow ... firstRow + rows - 1,
// and of a raster that holds only some of the grid's columns, those columns.
struct StripWindow {
  int32_t firstRow = 0;
  int32_t rows = 0;  // 0 for a strip that starts beyond the last row
  int32_t firstColumn = 0;
  int32_t columns = std::numeric_limits<int32_t>::max();
};

StripWindow stripWindow(const StripPlan& plan, int32_t strip, int32_t length);

// The cells of the grid that a raster holds: the whole grid, or a window of it (the raster of a
// batch task covers only the cells its points reach, so that the tasks of a day's drives share
// one grid without each holding all of it).
struct RasterWindow {
  int32_t firstColumn = 0;
  int32_t firstRow = 0;
  int32_t width = 0;
  int32_t length = 0;
};

RasterWindow wholeGrid(const MapParams& params);

// Strip k of a raster planned for the window's width and length, placed on the grid.
StripWindow rasterStrip(const StripPlan& plan, int32_t strip, const RasterWindow& raster);

// The header of a window's raster: the grid's cell size, its own size and origin.
MapParams windowParams(const MapParams& grid, const RasterWindow& raster);

struct GridCell {
  int32_t row = 0;  // within the strip
  int32_t column = 0;
};

// The cell of (x, y): column t((x - ox) / pixelsize + 0.5), row t((y - oy) / pixelsize + 0.5)
// less the strip's first row and column, t truncating toward zero; none when it lies outside the
// grid or the strip.
std::optional<GridCell> binPoint(const MapParams& params, const StripWindow& window, double x,
                                 double y);

}  // namespace quorvel
