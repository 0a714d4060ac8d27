// Samples to points: the inclusive range window (NaN and infinite ranges have no point), indices
// outside the store, the scan-angle offset, and the table-driven world points giving the same
// bits as the per-sample ones on varied poses and ranges, inside and just outside the store.
#include "scan/point_reconstruction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quorvel {
namespace {

// Three (1.0, 180.0) lines of varied poses and ranges; the scan angles start at 0.25 rad.
ScanStore variedStore(float rangeUnit) {
  ScanStore store;
  store.rangeUnit = rangeUnit;
  store.pointsPerLine = 181;
  store.angularStep = 1.0 * DEG_TO_RAD;
  store.startAngle = 0.25;
  store.lines.emplace(3, ScanLine{});
  store.lineCount = 3;
  for (int l = 0; l < 3; ++l) {
    ScanLine& line = (*store.lines)[static_cast<size_t>(l)];
    makePoseRotation(line.rotation, 0.01 * l, -0.03, 0.7 * l);
    line.position = {10.0 * l, -3, 2};
    for (int s = 0; s < 181; ++s) line.range[s] = static_cast<int16_t>((s * 977 + l * 131) % 7000);
  }
  return store;
}

TEST(PointReconstruction, OnlyRangesInsideTheWindowHaveAPoint) {
  ScanStore store = variedStore(100);
  const int16_t raws[] = {49, 50, 6000, 6001, 0, -5, -32768};
  std::copy(std::begin(raws), std::end(raws), (*store.lines)[0].range);
  for (int s = 0; s < 7; ++s) {
    const bool valid = s == 1 || s == 2;
    Vec2 scan = {-7, -7};
    EXPECT_EQ(SampleToScanPoint(store, 0, s, scan), valid ? 1 : 0) << raws[s];
    const double r = raws[s] / 100.0, theta = s * DEG_TO_RAD + 0.25;
    const Vec2 expected = valid ? Vec2{r * std::cos(theta), r * std::sin(theta)} : Vec2{-7, -7};
    EXPECT_EQ(scan, expected) << raws[s];
  }
  Vec2 scan = {-7, -7};
  for (auto [l, s] : {std::pair{-1, 0},
                      {3, 0},
                      {0, -1},
                      {0, 181},
                      {2, 721},
                      {std::numeric_limits<int32_t>::min(), 0}}) {
    EXPECT_EQ(SampleToScanPoint(store, l, s, scan), 0) << l << "," << s;
  }
  EXPECT_EQ(scan, (Vec2{-7, -7}));
  const ScanStore zeroUnit = variedStore(0);  // 0 / 0 is NaN, any other range infinite
  Vec3 world;
  for (int s = 0; s < 3; ++s) EXPECT_EQ(SampleToScanPoint(zeroUnit, 0, s, scan), 0);
  EXPECT_EQ(SampleToWorldPoint(ScanStore{}, SensorCalib{}, 0, 0, world), 0);
}

// The table must also refuse what the per-sample call refuses.
TEST(PointReconstruction, AngleTableGivesTheSameBits) {
  const ScanStore store = variedStore(100);
  SensorCalib calib;
  makeCalibRotation(calib.rotation, 0.02, -0.4, 1.1);
  calib.translation = {0.5, -0.25, 1.5};
  const WorldPoints table(store, calib);
  int points = 0;
  for (int l = -1; l <= 3; ++l) {
    for (int s = -1; s <= 181; ++s) {
      Vec3 literal = {}, fast = {};
      const int found = SampleToWorldPoint(store, calib, l, s, literal);
      EXPECT_EQ(table(l, s, fast), found == 1) << l << " " << s;
      EXPECT_EQ(fast, literal) << l << " " << s;
      points += found;
    }
  }
  EXPECT_GT(points, 400);
}

}  // namespace
}  // namespace quorvel
