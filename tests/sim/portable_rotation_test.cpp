#include "sim/portable_rotation.h"

#include <gtest/gtest.h>

#include "scan/calib_file.h"
#include "scan/scan_store.h"

namespace quorvel::sim {
namespace {

void expectSameRotation(const Mat3& actual, const Mat3& expected) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-15) << "element " << i;
}

class RotationConventions : public ::testing::TestWithParam<Vec3> {};

TEST_P(RotationConventions, ElementaryRotationsMatchTheReconstruction) {
  const double angle = GetParam()[0];
  expectSameRotation(portableRotX(angle), RotX(angle));
  expectSameRotation(portableRotY(angle), RotY(angle));
  expectSameRotation(portableRotZ(angle), RotZ(angle));
}

TEST_P(RotationConventions, PoseRotationMatchesTheLoader) {
  Mat3 expected;
  makePoseRotation(expected, GetParam()[0], GetParam()[1], GetParam()[2]);
  expectSameRotation(portablePoseRotation(GetParam()), expected);
}

TEST_P(RotationConventions, CalibRotationMatchesTheCalibrationReader) {
  Mat3 expected;
  makeCalibRotation(expected, GetParam()[0], GetParam()[1], GetParam()[2]);
  expectSameRotation(portableCalibRotation(GetParam()), expected);
}

INSTANTIATE_TEST_SUITE_P(SimRotation, RotationConventions,
                         ::testing::Values(Vec3{0, 0, 0}, Vec3{0.01, -0.02, 0.5},
                                           Vec3{-1.5707963, 0, -1.5707963}, Vec3{2.5, 1.0, -3.0},
                                           Vec3{0, 0.3, 0}));

}  // namespace
}  // namespace quorvel::sim
