#include "tests/export/placed_points.h"

#include <filesystem>

#include "tests/support/grid_store.h"
#include "tests/support/test_files.h"

namespace quorvel::test {

ScanStore placedPointStore(const std::vector<PlacedPoint>& points) {
  const int32_t lines = static_cast<int32_t>(points.size());
  ScanStore store =
      gridStore(lines, 181, 100.0f, [](int32_t, int32_t s) { return int16_t(s == 0 ? 100 : 0); });
  store.lineSegmentMask.emplace(static_cast<size_t>(lines) * 181, 0);
  for (int32_t l = 0; l < lines; ++l) {
    const PlacedPoint& placed = points[static_cast<size_t>(l)];
    (*store.lines)[static_cast<size_t>(l)].position = {placed.point[0] - 1.0, placed.point[1],
                                                       placed.point[2]};
    (*store.lineSegmentMask)[static_cast<size_t>(l) * 181] = placed.lineClass;
  }
  return store;
}

PlacedScan placedScan(const std::vector<PlacedPoint>& points) {
  return {placedPointStore(points), identityCalib()};
}

std::string fileText(const std::string& path) {
  if (!std::filesystem::exists(path)) return "";
  const std::vector<unsigned char> bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace quorvel::test
