#include "export/map_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace quorvel {

namespace {

constexpr double TRUNCATION_LIMIT = 4611686018427387904.0;  // 2^62: far beyond any 32-bit index

// t(value) toward zero; none for NaN and values far outside every grid.
std::optional<int64_t> truncated(double value) {
  if (!(std::fabs(value) < TRUNCATION_LIMIT)) return std::nullopt;
  return static_cast<int64_t>(value);
}

bool fitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

// (1 - t((max - origin) / pixelsize x -0.125)) x 8: the smallest multiple of 8 beyond the extent.
std::optional<int32_t> sizeFromExtent(double max, double origin, double pixelsize) {
  constexpr int64_t MAX_EIGHTHS = int64_t{1} << 28;  // 8 times it is beyond every 32-bit size
  const std::optional<int64_t> eighths = truncated((max - origin) / pixelsize * -0.125);
  if (!eighths || *eighths < -MAX_EIGHTHS || *eighths > MAX_EIGHTHS) return std::nullopt;
  if (!fitsInt32((1 - *eighths) * 8)) return std::nullopt;
  return static_cast<int32_t>((1 - *eighths) * 8);
}

}  // namespace

Status checkPixelsize(const MapParams& params) {
  if (!(params.pixelsize > 0.0 && std::isfinite(params.pixelsize))) {
    return fault("unusable pixelsize", std::to_string(params.pixelsize), "a positive finite number",
                 "in the map template");
  }
  return {};
}

Status fitMapGrid(const Vec3& max, const Vec3& min, MapParams& params) {
  if (Status status = checkPixelsize(params); !status.ok()) return status;
  if (params.ox == 0.0 && params.oy == 0.0) {
    params.ox = min[0];
    params.oy = min[1];
  }
  if (params.width != 0 || params.length != 0) return {};
  const std::optional<int32_t> width = sizeFromExtent(max[0], params.ox, params.pixelsize);
  const std::optional<int32_t> length = sizeFromExtent(max[1], params.oy, params.pixelsize);
  if (!width || !length) {
    return fault("map grid too large", "", "at most 2^31 - 1 cells a side",
                 "pixelsize " + std::to_string(params.pixelsize));
  }
  params.width = *width;
  params.length = *length;
  return {};
}

Status planStrips(int32_t width, int32_t length, StripPlan& plan) {
  plan = {};
  if (width <= 0 || length <= 0) return {};
  const int64_t cells = int64_t{width} * length;
  if (cells > MAP_RASTER_CELL_LIMIT) {
    return fault("map raster too large",
                 std::to_string(width) + " x " + std::to_string(length) + " cells",
                 "fewer than 2^31 cells");
  }
  const int32_t strips = static_cast<int32_t>(cells / STRIP_CELLS) + 1;
  plan = {strips, length / strips + (length % strips != 0 ? 1 : 0)};
  return {};
}

StripWindow stripWindow(const StripPlan& plan, int32_t strip, int32_t length) {
  const int64_t first = int64_t{strip} * plan.rowsPerStrip;
  const int64_t end = std::min(first + plan.rowsPerStrip, int64_t{length});
  return {static_cast<int32_t>(std::min(first, int64_t{length})),
          static_cast<int32_t>(std::max(end - first, int64_t{0}))};
}

std::optional<GridCell> binPoint(const MapParams& params, const StripWindow& window, double x,
                                 double y) {
  const std::optional<int64_t> column = truncated((x - params.ox) / params.pixelsize + 0.5);
  const std::optional<int64_t> row = truncated((y - params.oy) / params.pixelsize + 0.5);
  if (!column || !row || *column < 0 || *column >= params.width) return std::nullopt;
  const int64_t stripRow = *row - window.firstRow;
  const int64_t stripColumn = *column - window.firstColumn;
  if (stripRow < 0 || stripRow >= window.rows) return std::nullopt;
  if (stripColumn < 0 || stripColumn >= window.columns) return std::nullopt;
  return GridCell{static_cast<int32_t>(stripRow), static_cast<int32_t>(stripColumn)};
}

RasterWindow wholeGrid(const MapParams& params) {
  return {0, 0, params.width, params.length};
}

StripWindow rasterStrip(const StripPlan& plan, int32_t strip, const RasterWindow& raster) {
  StripWindow window = stripWindow(plan, strip, raster.length);
  window.firstRow += raster.firstRow;
  window.firstColumn = raster.firstColumn;
  window.columns = raster.width;
  return window;
}

MapParams windowParams(const MapParams& grid, const RasterWindow& raster) {
  MapParams params = grid;
  if (raster.firstColumn != 0) params.ox = grid.ox + raster.firstColumn * grid.pixelsize;
  if (raster.firstRow != 0) params.oy = grid.oy + raster.firstRow * grid.pixelsize;
  params.width = raster.width;
  params.length = raster.length;
  return params;
}

}  // namespace quorvel
