#include "scan/point_reconstruction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quorvel {
namespace {

// A store of one (1.0, 180.0) line whose samples are set by the test.
ScanStore oneLineStore(float rangeUnit, Vec3 position = {}) {
  ScanStore store;
  store.rangeUnit = rangeUnit;
  store.pointsPerLine = 181;
  store.angularStep = 1.0 * DEG_TO_RAD;
  store.lines.emplace(1, ScanLine{});
  store.lineCount = 1;
  ScanLine& line = (*store.lines)[0];
  line.position = position;
  makePoseRotation(line.rotation, 0, 0, 0);
  return store;
}

SensorCalib identityCalib() {
  SensorCalib calib;
  mat3Identity(calib.rotation);
  return calib;
}

struct RawCase {
  int16_t raw;
  bool valid;
};

class ValidityWindow : public ::testing::TestWithParam<RawCase> {};

TEST_P(ValidityWindow, BothEndsBelongToTheWindow) {
  ScanStore store = oneLineStore(10.0f);
  (*store.lines)[0].range[0] = GetParam().raw;
  Vec2 scan = {-7, -7};
  Vec3 world = {-7, -7, -7};
  EXPECT_EQ(SampleToScanPoint(store, 0, 0, scan), GetParam().valid ? 1 : 0);
  EXPECT_EQ(SampleToWorldPoint(store, identityCalib(), 0, 0, world), GetParam().valid ? 1 : 0);
  if (!GetParam().valid) {
    EXPECT_EQ(scan, (Vec2{-7, -7}));
    EXPECT_EQ(world, (Vec3{-7, -7, -7}));
  } else {
    EXPECT_EQ(scan[0], GetParam().raw / 10.0);
  }
}

INSTANTIATE_TEST_SUITE_P(UnitTen, ValidityWindow,
                         ::testing::Values(RawCase{4, false}, RawCase{5, true}, RawCase{600, true},
                                           RawCase{601, false}, RawCase{0, false},
                                           RawCase{-5, false}, RawCase{-32768, false}));

TEST(PointReconstruction, NanRangeHasNoPoint) {
  ScanStore store = oneLineStore(0.0f);  // 0 / 0 is NaN, 5 / 0 infinite
  (*store.lines)[0].range[1] = 5;
  Vec2 scan;
  EXPECT_EQ(SampleToScanPoint(store, 0, 0, scan), 0);
  EXPECT_EQ(SampleToScanPoint(store, 0, 1, scan), 0);
}

TEST(PointReconstruction, ScanPointAnglesGrowWithTheSample) {
  ScanStore store = oneLineStore(100.0f);
  (*store.lines)[0].range[0] = 1000;
  (*store.lines)[0].range[180] = 1000;
  Vec2 p;
  ASSERT_EQ(SampleToScanPoint(store, 0, 0, p), 1);
  EXPECT_EQ(p, (Vec2{10.0, 0.0}));
  ASSERT_EQ(SampleToScanPoint(store, 0, 180, p), 1);
  EXPECT_EQ(p[0], 10.0 * std::cos(180 * DEG_TO_RAD));
  EXPECT_GT(p[1], 0.0);  // the short pi leaves a small positive y
  EXPECT_LT(p[1], 1e-5);
}

TEST(PointReconstruction, WorldPointAddsTheLinePosition) {
  ScanStore store = oneLineStore(100.0f, {10, 20, 0});
  (*store.lines)[0].range[30] = 500;
  Vec3 p;
  ASSERT_EQ(SampleToWorldPoint(store, identityCalib(), 0, 30, p), 1);
  const double theta = 30 * DEG_TO_RAD;
  EXPECT_EQ(p[0], 5.0 * std::cos(theta) + 10);
  EXPECT_EQ(p[1], 5.0 * std::sin(theta) + 20);
  EXPECT_EQ(p[2], 0.0);
}

TEST(PointReconstruction, CalibrationThenPose) {
  ScanStore store = oneLineStore(100.0f, {100, 200, 300});
  ScanLine& line = (*store.lines)[0];
  line.range[0] = 200;  // 2 units along the scanner's x axis
  makePoseRotation(line.rotation, 0, 0, 90 * DEG_TO_RAD);
  SensorCalib calib;
  makeCalibRotation(calib.rotation, 90 * DEG_TO_RAD, 0, 0);
  calib.translation = {1, 0, 0};
  Vec3 p;
  ASSERT_EQ(SampleToWorldPoint(store, calib, 0, 0, p), 1);
  // scanner (2,0,0) -> vehicle (3,0,0) -> world RotZ(90) (0,3,0) + position
  EXPECT_NEAR(p[0], 100, 1e-6);
  EXPECT_NEAR(p[1], 203, 1e-6);
  EXPECT_NEAR(p[2], 300, 1e-6);
}

TEST(PointReconstruction, IndicesOutsideTheStoreGiveNoPoint) {
  ScanStore store = oneLineStore(100.0f);
  for (ScanLine& line : *store.lines) std::fill(std::begin(line.range), std::end(line.range), 100);
  Vec3 p = {1, 2, 3};
  const SensorCalib calib = identityCalib();
  for (auto [l, s] : {std::pair{-1, 0},
                      {1, 0},
                      {0, -1},
                      {0, 181},
                      {0, 721},
                      {std::numeric_limits<int32_t>::min(), 0}}) {
    EXPECT_EQ(SampleToWorldPoint(store, calib, l, s, p), 0) << l << "," << s;
  }
  EXPECT_EQ(p, (Vec3{1, 2, 3}));
  ScanStore empty;
  EXPECT_EQ(SampleToWorldPoint(empty, calib, 0, 0, p), 0);
}

}  // namespace
}  // namespace quorvel
