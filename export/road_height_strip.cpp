#include "export/road_height_strip.h"

#include <algorithm>

#include "export/map_strip_points.h"

namespace quorvel {

uint8_t roadCellValue(double sum, uint32_t count) {
  if (count == 0) return 0;
  const double value = sum / count + 0.5;
  return value >= 255.0 ? 255 : static_cast<uint8_t>(value);
}

bool RoadHeightStrip::allocate(size_t rows, size_t width) {
  width_ = width;
  cells_ = rows * width;
  return allocateStripBuffer(values_, cells_);
}

bool RoadHeightStrip::start(const StripWindow& window) {
  rows_ = window.rows;
  sums_.reset();
  counts_.reset();
  const size_t cells = std::max<size_t>(cells_, 1);
  sums_.reset(static_cast<double*>(std::calloc(cells, sizeof(double))));
  counts_.reset(static_cast<uint32_t*>(std::calloc(cells, sizeof(uint32_t))));
  return sums_ && counts_;
}

void RoadHeightStrip::addRoadPoint(const GridCell& cell, double h) {
  const int64_t width = static_cast<int64_t>(width_);
  for (int64_t r = int64_t{cell.row} - 1; r <= int64_t{cell.row} + 1; ++r) {
    for (int64_t c = int64_t{cell.column} - 1; c <= int64_t{cell.column} + 1; ++c) {
      if (r < 0 || r >= rows_ || c < 0 || c >= width) continue;
      const size_t index = static_cast<size_t>(r * width + c);
      sums_[index] += h;
      ++counts_[index];
    }
  }
}

std::span<const unsigned char> RoadHeightStrip::finish() {
  const size_t cells = static_cast<size_t>(rows_) * width_;
  for (size_t i = 0; i < cells; ++i)
    values_[i] = counts_[i] ? roadCellValue(sums_[i], counts_[i]) : 0;
  return std::span<const unsigned char>(values_).first(cells);
}

}  // namespace quorvel
