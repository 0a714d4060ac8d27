// One strip of the road height raster: per cell the sum and number of the scaled heights that
// reach it, and the resulting byte values. Each road point reaches the cells of the 3 x 3
// block around its own cell that lie inside the strip.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "export/map_grid.h"

namespace quorvel {

// One cell value: t(sum / count + 0.5), at most 255; 0 without contributions.
uint8_t roadCellValue(double sum, uint32_t count);

class RoadHeightStrip {
 public:
  // Sizes the buffers for rows x width cells; false when the memory cannot be had.
  bool allocate(size_t rows, size_t width);

  // Clears the buffers for the strip's window.
  void start(const StripWindow& window);

  // Adds the scaled height h to the cells around the cell.
  void addRoadPoint(const GridCell& cell, double h);

  // The byte values of the strip's rows.
  std::span<const unsigned char> finish();

 private:
  size_t width_ = 0;
  int32_t rows_ = 0;
  std::vector<double> sums_;
  std::vector<uint32_t> counts_;
  std::vector<unsigned char> values_;
};

}  // namespace quorvel
