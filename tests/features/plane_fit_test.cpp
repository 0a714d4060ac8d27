// Least-squares planes, the scatter matrix with its diagonal ordering, and the residual.
#include "features/plane_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace quorvel {
namespace {

struct Points {
  std::vector<double> x, y, z;
  int32_t n() const { return static_cast<int32_t>(x.size()); }
  void add(double px, double py, double pz) {
    x.push_back(px);
    y.push_back(py);
    z.push_back(pz);
  }
};

// Twelve points spread over x and y, with z from the plane function.
template <typename Height>
Points spreadPoints(Height height) {
  Points points;
  for (double px : {-1.5, -0.5, 0.5, 1.5}) {
    for (double py : {-1.0, 0.25, 1.0}) points.add(px, py, height(px, py));
  }
  return points;
}

Plane fit(const Points& points) {
  Plane plane;
  fitPlane(points.n(), points.x.data(), points.y.data(), points.z.data(), plane);
  return plane;
}

double residual(const Points& points, const Plane& plane) {
  double r = -1;
  planeResidual(points.x.data(), points.y.data(), points.z.data(), plane, r, points.n());
  return r;
}

struct LevelCase {
  double height;
};

class LevelPlane : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelPlane, NormalPointsUpWhateverTheSolverSign) {
  const double h = GetParam().height;
  const Points points = spreadPoints([h](double, double) { return h; });
  const Plane plane = fit(points);
  EXPECT_EQ(plane.a, 0.0);
  EXPECT_EQ(plane.b, 0.0);
  EXPECT_EQ(plane.c, 1.0);
  EXPECT_EQ(plane.d, -h);
  EXPECT_EQ(residual(points, plane), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Heights, LevelPlane,
                         ::testing::Values(LevelCase{5.0}, LevelCase{-2.0}, LevelCase{0.0}));

TEST(FitPlane, VerticalPlaneKeepsTheSolverSignOfX) {
  Points points;
  for (double py : {-1.0, 0.0, 1.0, 2.0}) {
    for (double pz : {0.0, 0.5, 1.0}) points.add(3.0, py, pz);
  }
  const Plane plane = fit(points);
  EXPECT_EQ(std::abs(plane.a), 1.0);
  EXPECT_EQ(plane.b, 0.0);
  EXPECT_EQ(plane.c, 0.0);  // exactly 0: not flipped, so a keeps the sign the solver left
  EXPECT_EQ(plane.d, -3.0 * plane.a);
  EXPECT_EQ(residual(points, plane), 0.0);
}

TEST(FitPlane, LineTakesTheLowerIndexOfTiedEigenvalues) {
  Points points;
  for (double px : {-2.0, -1.0, 0.0, 1.0, 2.0}) points.add(px, 4.0, 1.0);
  // S = diag(10, 0, 0): sorted to (0, 0, 10) with perm (1, 2, 0); the eigenvalues 0 of y and z
  // tie and the first, y, is taken.
  const Plane plane = fit(points);
  EXPECT_EQ(plane.a, 0.0);
  EXPECT_EQ(std::abs(plane.b), 1.0);
  EXPECT_EQ(plane.c, 0.0);
  EXPECT_EQ(plane.d, -4.0 * plane.b);
}

TEST(FitPlane, TiltedPlaneWithinRounding) {
  const Points points = spreadPoints([](double px, double py) { return 0.3 * px - 0.2 * py + 7; });
  const Plane plane = fit(points);
  const double norm = std::sqrt(0.3 * 0.3 + 0.2 * 0.2 + 1.0);
  EXPECT_NEAR(plane.a, -0.3 / norm, 1e-14);
  EXPECT_NEAR(plane.b, 0.2 / norm, 1e-14);
  EXPECT_NEAR(plane.c, 1.0 / norm, 1e-14);
  EXPECT_NEAR(plane.d, -7.0 / norm, 1e-13);
  EXPECT_NEAR(residual(points, plane), 0.0, 1e-14);
}

TEST(ScatterMatrix, SumsAboutTheCentroidWithoutDividing) {
  Points points;
  points.add(0, 0, 0);
  points.add(2, 0, 0);
  points.add(1, 3, 0);
  points.add(1, -3, 2);
  Mat3 S;
  AxisPermutation perm;
  scatterMatrix({1.0, 0.0, 0.5}, points.n(), points.x.data(), points.y.data(), points.z.data(), S,
                perm);
  // Unsorted: Sxx 2, Syy 18, Szz 3, Sxy 0, Sxz 0, Syz -6; already ascending but Szz < Syy.
  EXPECT_EQ(perm, (AxisPermutation{0, 2, 1}));
  EXPECT_EQ(S, (Mat3{2, 0, 0, 0, 3, -6, 0, -6, 18}));
}

TEST(SortScatterDiagonal, ReordersFourOneNine) {
  // Off-diagonals 5 (xy), 6 (xz), 7 (yz): swapping axes 0 and 1 keeps S[0][1] and exchanges
  // S[0][2] with S[1][2].
  Mat3 S = {4, 5, 6, 5, 1, 7, 6, 7, 9};
  AxisPermutation perm;
  sortScatterDiagonal(S, perm);
  EXPECT_EQ(S, (Mat3{1, 5, 7, 5, 4, 6, 7, 6, 9}));
  EXPECT_EQ(perm, (AxisPermutation{1, 0, 2}));
}

TEST(SortScatterDiagonal, NeverSwapsEqualEntries) {
  Mat3 S = {2, 1, 3, 1, 2, 4, 3, 4, 2};
  AxisPermutation perm;
  sortScatterDiagonal(S, perm);
  EXPECT_EQ(S, (Mat3{2, 1, 3, 1, 2, 4, 3, 4, 2}));
  EXPECT_EQ(perm, (AxisPermutation{0, 1, 2}));
}

TEST(SortScatterDiagonal, DescendingNeedsAllThreeSwaps) {
  Mat3 S = {9, 1, 2, 1, 5, 3, 2, 3, 1};
  AxisPermutation perm;
  sortScatterDiagonal(S, perm);
  EXPECT_EQ(perm, (AxisPermutation{2, 1, 0}));
  EXPECT_EQ(S, (Mat3{1, 3, 2, 3, 5, 1, 2, 1, 9}));
}

TEST(PlaneResidual, MeanAbsoluteDistanceAgainstTheNormalLength) {
  Points points;
  points.add(0, 0, 1);
  points.add(0, 0, -3);
  points.add(5, 5, 0);
  // Normal (0, 0, 2) of length 2: distances 1, 3, 0.
  const Plane plane = {0, 0, 2, 0};
  EXPECT_EQ(residual(points, plane), 4.0 / 3.0);
}

}  // namespace
}  // namespace quorvel
