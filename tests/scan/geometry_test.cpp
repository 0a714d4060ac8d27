#include "scan/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scan/calib_file.h"
#include "scan/scan_store.h"

namespace quorvel {
namespace {

void expectNear(const Mat3& actual, const Mat3& expected, double tolerance = 1e-7) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
}

Mat3 product(Mat3 a, const Mat3& b) {
  mat3Multiply(a, b);
  return a;
}

TEST(Geometry, MultiplyPutsTheFirstMatrixOnTheLeft) {
  const Mat3 a = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const Mat3 b = {0, 1, 0, 0, 0, 1, 1, 0, 0};  // cyclic permutation of columns
  EXPECT_EQ(product(a, b), (Mat3{3, 1, 2, 6, 4, 5, 9, 7, 8}));
  EXPECT_EQ(product(b, a), (Mat3{4, 5, 6, 7, 8, 9, 1, 2, 3}));
}

TEST(Geometry, ElementaryRotationsTurnAxesCounterClockwise) {
  const double quarter = 90 * DEG_TO_RAD;
  expectNear(RotX(quarter), {1, 0, 0, 0, 0, -1, 0, 1, 0});
  expectNear(RotY(quarter), {0, 0, 1, 0, 1, 0, -1, 0, 0});
  expectNear(RotZ(quarter), {0, -1, 0, 1, 0, 0, 0, 0, 1});
}

TEST(Geometry, DegreesConvertWithTheShortPi) {
  EXPECT_EQ(DEG_TO_RAD, 3.1415926 / 180);
  const Mat3 z = RotZ(90 * DEG_TO_RAD);
  EXPECT_GT(z[0], 2.6e-8);  // slightly less than a right angle
  EXPECT_LT(z[0], 2.8e-8);
}

TEST(Geometry, ApplyUsesTheComponentsAsTheyWereBefore) {
  Vec3 v = {1, 2, 3};
  mat3Apply(v, {0, 0, 1, 1, 0, 0, 0, 1, 0});
  EXPECT_EQ(v, (Vec3{3, 1, 2}));
  vec3Add(v, {1, 1, 1});
  EXPECT_EQ(v, (Vec3{4, 2, 3}));
  EXPECT_EQ(vec3Distance({1, 2, 3}, {4, 6, 3}), 5.0);
}

TEST(Geometry, PoseRotationIsXThenYThenZ) {
  const double ax = 0.1, ay = -0.2, az = 0.3;
  Mat3 pose;
  makePoseRotation(pose, ax, ay, az);
  EXPECT_EQ(pose, product(product(RotX(ax), RotY(ay)), RotZ(az)));
  makePoseRotation(pose, 0, 0, 0);
  EXPECT_EQ(pose, (Mat3{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(Geometry, CalibrationRotationIsZThenYThenX) {
  const double ax = 0.1, ay = -0.2, az = 0.3;
  Mat3 calib;
  makeCalibRotation(calib, ax, ay, az);
  EXPECT_EQ(calib, product(product(RotZ(az), RotY(ay)), RotX(ax)));
  Mat3 pose;
  makePoseRotation(pose, ax, ay, az);
  EXPECT_NE(calib, pose);
}

}  // namespace
}  // namespace quorvel
