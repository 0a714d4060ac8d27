// Fuzz target: calibration file bytes, then world points through the calibration read.
#include <cstddef>
#include <cstdint>

#include "scan/calib_file.h"
#include "scan/point_reconstruction.h"

using namespace quorvel;

namespace {

// Three lines of a 1-degree scan, samples at 1 to 50 length units.
ScanStore smallStore() {
  ScanStore store;
  store.pointsPerLine = 181;
  store.rangeUnit = 100.0f;
  store.angularStep = DEG_TO_RAD;
  store.lines.emplace(3, ScanLine{});
  store.lineCount = 3;
  for (ScanLine& line : *store.lines) {
    makePoseRotation(line.rotation, 0.01, 0.02, 1.5);
    for (int s = 0; s < 181; ++s) line.range[s] = static_cast<int16_t>(100 + 27 * s);
  }
  return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScanStore store = smallStore();
  SensorCalib calib;
  if (!parseCalibFile({data, size}, calib).ok()) return 0;
  for (int32_t l = 0; l < store.lineCount; ++l) {
    for (int32_t s = 0; s < store.pointsPerLine; s += 7) {
      Vec3 point;
      SampleToWorldPoint(store, calib, l, s, point);
    }
  }
  return 0;
}
