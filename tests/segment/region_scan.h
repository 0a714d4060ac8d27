// Small hand-made scans for the region segmentation: a grid of one set-up whose valid samples
// and variances a test chooses; every other sample has no range and no variance.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "features/variance_map.h"
#include "scan/scan_store.h"
#include "tests/support/grid_store.h"

namespace quorvel::test {

inline constexpr float REGION_RANGE_UNIT = 100.0f;  // raw 1000 is 10.0 length units

// Raw range of sample (l, s), 0 for no return; variance of a sample with a return.
using RegionRaw = std::function<int16_t(int32_t l, int32_t s)>;
using RegionVariance = std::function<double(int32_t l, int32_t s)>;

inline ScanStore regionStore(int32_t lines, int16_t pointsPerLine, const RegionRaw& raw,
                             const RegionVariance& variance) {
  ScanStore store = gridStore(lines, pointsPerLine, REGION_RANGE_UNIT, raw);
  const size_t n = static_cast<size_t>(lines) * static_cast<size_t>(pointsPerLine);
  std::vector<double> map(n, NO_VARIANCE);
  for (int32_t s = 0; s < pointsPerLine; ++s) {
    for (int32_t l = 0; l < lines; ++l) {
      if (raw(l, s) != 0) map[static_cast<size_t>(s) * lines + l] = variance(l, s);
    }
  }
  store.varianceMap = std::move(map);
  store.normalMap.emplace(n, Vec3{NO_NORMAL, NO_NORMAL, NO_NORMAL});
  return store;
}

// Raw value 1000 (range 10) on the samples the predicate picks, 0 elsewhere.
inline RegionRaw rawWhere(std::function<bool(int32_t l, int32_t s)> valid) {
  return [valid](int32_t l, int32_t s) { return static_cast<int16_t>(valid(l, s) ? 1000 : 0); };
}

inline RegionVariance constantVariance(double v) {
  return [v](int32_t, int32_t) { return v; };
}

}  // namespace quorvel::test
