#include "tests/support/grid_store.h"

#include "scan/geometry.h"

namespace quorvel::test {

ScanStore gridStore(int32_t lines, int16_t pointsPerLine, float rangeUnit, const RawSample& raw,
                    const Vec3& lineStep) {
  ScanStore store;
  store.pointsPerLine = pointsPerLine;
  store.fieldOfView = pointsPerLine == 401 ? 100.0f : 180.0f;
  store.angularResolution = pointsPerLine == 181 ? 1.0f : pointsPerLine == 361 ? 0.5f : 0.25f;
  store.recordSize = 52 + 2 * pointsPerLine;
  store.rangeUnit = rangeUnit;
  store.angularStep = static_cast<double>(store.angularResolution) * DEG_TO_RAD;
  store.lines.emplace(static_cast<size_t>(lines), ScanLine{});
  store.lineCount = lines;
  for (int32_t l = 0; l < lines; ++l) {
    ScanLine& line = (*store.lines)[static_cast<size_t>(l)];
    line.position = {l * lineStep[0], l * lineStep[1], l * lineStep[2]};
    makePoseRotation(line.rotation, 0, 0, 0);
    for (int32_t s = 0; s < pointsPerLine; ++s) line.range[s] = raw(l, s);
  }
  return store;
}

SensorCalib identityCalib() {
  SensorCalib calib;
  mat3Identity(calib.rotation);
  return calib;
}

}  // namespace quorvel::test
