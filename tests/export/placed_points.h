// Stores whose world points are placed by hand: scan line l holds point l at sample 0 (identity
// poses and calibration, range 1.0 along x), every other sample has no point. The
// LineSegmentMask and the surface class map give each placed point its classes (the other
// samples are class 0); the VarianceMap, NormalMap, LabelMap and SegmentTable exist, so that every
// export can run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "export/export_sources.h"
#include "scan/segment_lookup.h"
#include "segment/segment_labels.h"
#include "tests/support/grid_store.h"
#include "tests/support/test_files.h"

namespace quorvel::test {

struct PlacedPoint {
  Vec3 point;
  uint8_t lineClass = 8;
  uint8_t surfaceClass = 3;
};

// A store of the given points with its identity calibration and an empty mask band.
struct PlacedScan {
  ScanStore store;
  SensorCalib calib;
  ExportSources sources() const { return {store, calib, MaskRange{}}; }
};

inline PlacedScan placedScan(const std::vector<PlacedPoint>& points) {
  const int32_t lines = static_cast<int32_t>(points.size());
  const size_t samples = static_cast<size_t>(lines) * 181;
  PlacedScan scan{
      gridStore(lines, 181, 100.0f, [](int32_t, int32_t s) { return int16_t(s == 0 ? 100 : 0); }),
      identityCalib()};
  ScanStore& store = scan.store;
  store.lineSegmentMask.emplace(samples, 0);
  store.varianceMap.emplace(samples, 0.01);
  store.normalMap.emplace(samples, Vec3{0.0, 0.0, 1.0});
  store.labelMap.emplace(samples, NO_SEGMENT);
  store.segmentTable.emplace(MAX_SEGMENTS);
  store.surfaceClassMap.emplace(samples, 0);
  store.kerbFeet.emplace(2 * static_cast<size_t>(lines));
  for (int32_t l = 0; l < lines; ++l) {
    const PlacedPoint& placed = points[static_cast<size_t>(l)];
    (*store.lines)[static_cast<size_t>(l)].position = {placed.point[0] - 1.0, placed.point[1],
                                                       placed.point[2]};
    (*store.lineSegmentMask)[static_cast<size_t>(l) * 181] = placed.lineClass;
    (*store.surfaceClassMap)[static_cast<size_t>(l) * 181] = placed.surfaceClass;
  }
  return scan;
}

// The text of a file, or "" when it does not exist.
inline std::string fileText(const std::string& path) {
  if (!std::filesystem::exists(path)) return "";
  const std::vector<unsigned char> bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace quorvel::test
