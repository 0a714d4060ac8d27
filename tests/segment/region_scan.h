// Small hand-made scans for the region segmentation: blocks of samples with a return and a
// variance on a grid of 181 samples per line; every other sample has neither.
#pragma once

#include <cstdint>
#include <vector>

#include "features/variance_map.h"
#include "tests/support/grid_store.h"

namespace quorvel::test {

// `lines` lines from `line` by `samples` samples from `sample`, at range raw / 100; a later
// block overrides an earlier one.
struct Block {
  int32_t line, sample, lines, samples;
  double variance;
  int16_t raw = 1000;
};

inline ScanStore blockStore(int32_t lines, const std::vector<Block>& blocks) {
  const size_t count = static_cast<size_t>(lines) * 181;
  std::vector<int16_t> raw(count, 0);                // line-major
  std::vector<double> variance(count, NO_VARIANCE);  // sample-major
  for (const Block& b : blocks) {
    for (int32_t l = b.line; l < b.line + b.lines; ++l) {
      for (int32_t s = b.sample; s < b.sample + b.samples; ++s) {
        raw[static_cast<size_t>(l) * 181 + s] = b.raw;
        variance[static_cast<size_t>(s) * lines + l] = b.variance;
      }
    }
  }
  ScanStore store = gridStore(lines, 181, 100.0f, [&](int32_t l, int32_t s) {
    return raw[static_cast<size_t>(l) * 181 + s];
  });
  store.varianceMap = std::move(variance);
  store.normalMap.emplace(count, Vec3{NO_NORMAL, NO_NORMAL, NO_NORMAL});
  return store;
}

}  // namespace quorvel::test
