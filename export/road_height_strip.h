// One strip of the road height raster: per cell the sum and number of the scaled heights that
// reach it, and the resulting byte values. Each road point reaches the cells of the 3 x 3
// block around its own cell that lie inside the strip.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "export/map_grid.h"

namespace quorvel {

// One cell value: t(sum / count + 0.5), at most 255; 0 without contributions.
uint8_t roadCellValue(double sum, uint32_t count);

class RoadHeightStrip {
 public:
  // Sizes the value buffer for rows x width cells; false when the memory cannot be had.
  bool allocate(size_t rows, size_t width);

  // Fresh zeroed sum and count buffers for the strip's window (from calloc: the operating
  // system's zero pages, so that the cells no road point reaches cost no writing); false when
  // the memory cannot be had.
  bool start(const StripWindow& window);

  // Adds the scaled height h to the cells around the cell.
  void addRoadPoint(const GridCell& cell, double h);

  // The byte values of the strip's rows.
  std::span<const unsigned char> finish();

 private:
  size_t width_ = 0;
  int32_t rows_ = 0;
  struct Free {
    void operator()(void* buffer) const { std::free(buffer); }
  };
  std::unique_ptr<double[], Free> sums_;
  std::unique_ptr<uint32_t[], Free> counts_;
  size_t cells_ = 0;  // of a whole strip
  std::vector<unsigned char> values_;
};

}  // namespace quorvel
