// The plane fit and its parts: the eigen solver against an independent decomposition and its
// lane forms against it bit for bit, the residual, the exact squared distance limit, and the
// lane fits of a line against fitPlane on point sets with exact ties, which pin the tie rules of
// both: the stable diagonal sort, the lower index of tied eigenvalues, the sign of a zero z.
#include "features/plane_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "features/eigen_solver.h"
#include "features/eigen_solver_lanes.h"
#include "features/fit_line_lanes.h"
#include "features/lane_dispatch.h"
#include "features/squared_distance_limit.h"
#include "tests/reference/symmetric_eigen_reference.h"

namespace quorvel {
namespace {

const bool hasAvx2 = useAvx2Lanes(ParallelOptions{});

Mat3 symmetric(double d0, double d1, double d2, double o01, double o02, double o12) {
  return {d0, o01, o02, o01, d1, o12, o02, o12, d2};
}

// Zero, diagonal, rank one, repeated eigenvalues, tiny and huge entries; random matrices over
// seven decades, every fifth with a decoupled third axis (tred2 skips its Householder step and
// tqli meets a shorter block); last, two with NaN entries.
std::vector<Mat3> solverMatrices() {
  std::vector<Mat3> matrices = {{},
                                symmetric(4, -1.5, 9, 0, 0, 0),
                                symmetric(1, 1, 1, 1, 1, 1),
                                symmetric(2, 2, 2, 1, 1, 1),
                                symmetric(3, 3, 3, 0, 0, 0),
                                symmetric(1e-300, 1e-300, 3e-300, 1e-301, 0, 2e-301),
                                symmetric(1e150, 2e150, 1e150, 3e149, 1e149, 5e149)};
  std::mt19937_64 random(2024);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  for (int trial = 0; trial < 60; ++trial) {
    double v[6];
    for (double& x : v) x = value(random) * std::pow(10.0, trial % 7 - 3);
    const double keep = trial % 5 == 0 ? 0.0 : 1.0;
    matrices.push_back(symmetric(v[0], v[1], v[2], v[3], v[4] * keep, v[5] * keep));
  }
  matrices.push_back(symmetric(NAN, 3, 5, 1, 2, 4));
  matrices.push_back(symmetric(1, 3, 5, 2, NAN, 4));
  return matrices;
}

// Over every rotation of the list through the lanes, so that each matrix meets varied
// neighbours; the NaN matrices end at the iteration limit with the same warnings.
TEST(EigenSolver, MatchesTheReferenceAndEveryLaneMatchesItBitForBit) {
  const std::vector<Mat3> matrices = solverMatrices();
  std::vector<Mat3> z = matrices;
  std::vector<Vec3> d(matrices.size()), e(matrices.size());
  std::vector<std::string> warnings;
  for (size_t i = 0; i < matrices.size(); ++i) {
    testing::internal::CaptureStdout();
    tred2(z[i], d[i], e[i]);
    tqli(d[i], e[i], z[i]);
    warnings.push_back(testing::internal::GetCapturedStdout());
    if (i + 2 >= matrices.size()) continue;
    const reference::SymmetricEigen ref = reference::jacobiEigen(matrices[i]);
    double norm = 0;
    for (double v : matrices[i]) norm = std::max(norm, std::abs(v));
    Vec3 sorted = d[i];
    std::sort(sorted.begin(), sorted.end());
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(sorted[j], double(ref.values[j]), 1e-12 * norm) << i;
  }
  for (const bool wide : {false, hasAvx2}) {
    for (size_t offset = 0; offset < matrices.size(); ++offset) {
      LaneMat3 a;
      LaneVec3 ld, le;
      std::string expectedWarnings;
      const auto at = [&](int k) { return (offset + static_cast<size_t>(k)) % matrices.size(); };
      for (int k = 0; k < FIT_LANES; ++k) {
        for (size_t i = 0; i < 9; ++i) a[i][k] = matrices[at(k)][i];
        expectedWarnings += warnings[at(k)];
      }
      testing::internal::CaptureStdout();
      (wide ? avx2::tred2Lanes : baseline::tred2Lanes)(a, ld, le);
      (wide ? avx2::tqliLanes : baseline::tqliLanes)(ld, le, a);
      EXPECT_EQ(testing::internal::GetCapturedStdout(), expectedWarnings);
      for (int k = 0; k < FIT_LANES; ++k) {
        Mat3 lz;
        Vec3 lanesD;
        for (size_t i = 0; i < 9; ++i) lz[i] = a[i][k], lanesD[i % 3] = ld[i % 3][k];
        EXPECT_EQ(std::memcmp(&lz, &z[at(k)], sizeof lz), 0) << at(k) << " AVX2 " << wide;
        EXPECT_EQ(std::memcmp(&lanesD, &d[at(k)], sizeof lanesD), 0) << at(k) << " AVX2 " << wide;
      }
    }
  }
}

TEST(PlaneResidual, MeanDistanceAgainstTheNormalLength) {
  const double x[] = {0, 0, 5}, y[] = {0, 0, 5}, z[] = {1, -3, 0};
  double residual = -1;  // distances 1, 3 and 0 from a normal of length 2
  planeResidual(x, y, z, Plane{0, 0, 2, 0}, residual, 3);
  EXPECT_EQ(residual, 4.0 / 3.0);
}

TEST(SquaredDistanceLimit, IsTheLastSquareWhoseRootPasses) {
  for (double limit : {1.0, 0.5, 0.3, 0.1, 2.0, 7.25, 1e-3, 1e-160, 1e-310, 1e150, 1e200, 0.0}) {
    const double x = squaredDistanceLimit(limit);
    EXPECT_LE(std::sqrt(x), limit);
    EXPECT_GT(std::sqrt(std::nextafter(x, INFINITY)), limit) << limit;
  }
  EXPECT_EQ(squaredDistanceLimit(1.0), 1.0 + std::ldexp(1.0, -52));
  EXPECT_EQ(squaredDistanceLimit(-1.0), -1.0);  // nothing passes
  EXPECT_EQ(squaredDistanceLimit(NAN), -1.0);
  EXPECT_EQ(squaredDistanceLimit(INFINITY), INFINITY);
}

constexpr int32_t K = 3, LINES = 2 * K + 1, SAMPLES = 56, CENTRE = K;

// Seven blocks of eight samples at multiples of 1/8 (exact sums): a slope (Sxx = Syy), a line
// (two eigenvalues 0), the plane x = 3 (normal z = 0), a steep plane (Syy = Szz), heights with
// missing and far points, a slope on every other line, one point repeated (three eigenvalues 0).
Vec3 patternPoint(int32_t l, int32_t s) {
  const double u = s / 8.0, v = l / 8.0, hash = (l * 7 + s * 13) % 11;
  const Vec3 none = {NAN, NAN, NAN};
  const Vec3 kinds[] = {{u, v, 5.0 + u / 2.0 - v / 4.0},
                        {u + v, 0.0, 0.0},
                        {3.0, u, v},
                        {3.0 + u / 2.0 - v / 4.0, u, v},
                        hash == 0 ? none : Vec3{u, v, hash == 1 ? 9.0 : hash / 16.0},
                        l % 2 ? none : Vec3{u, v, u / 2.0 - v},
                        {2.0, 2.0, 2.0}};
  return kinds[s / 8];
}

// The fit of sample s of the centre line as fitPlane and planeResidual make it.
bool literalFit(const LinePointRing& ring, int32_t s, Vec3& normal, double& residual) {
  double x[48], y[48], z[48];
  int32_t n = 0;
  const size_t c = ring.at(CENTRE, s);
  for (int32_t l2 = 0; l2 < LINES; ++l2) {
    for (int32_t s2 = std::max(s - K, 0); s2 <= std::min(s + K, SAMPLES - 1); ++s2) {
      const size_t q = ring.at(l2, s2);
      const double dx = ring.x[c] - ring.x[q], dy = ring.y[c] - ring.y[q],
                   dz = ring.z[c] - ring.z[q];
      if ((l2 == CENTRE && s2 == s) || !(std::sqrt(dx * dx + dy * dy + dz * dz) <= 1.0)) continue;
      x[n] = ring.x[q], y[n] = ring.y[q], z[n] = ring.z[q], ++n;
    }
  }
  if (std::isnan(ring.x[c]) || n < 12) return false;
  Plane plane;
  fitPlane(n, x, y, z, plane);
  planeResidual(x, y, z, plane, residual, n);
  normal = {plane.a, plane.b, plane.c};
  return residual <= 0.2;
}

TEST(FitLineLanes, EverySampleOfBothFormsEqualsTheSingleFitBitForBit) {
  LinePointRing ring;
  ring.allocate(LINES, SAMPLES, K + FIT_LANES - 1);
  for (int32_t l = 0; l < LINES; ++l) {
    for (int32_t s = 0; s < SAMPLES; ++s) {
      const Vec3 p = patternPoint(l, s);
      ring.x[ring.at(l, s)] = p[0], ring.y[ring.at(l, s)] = p[1], ring.z[ring.at(l, s)] = p[2];
    }
  }
  const Vec3 none = {NO_NORMAL, NO_NORMAL, NO_NORMAL};
  for (const bool wide : {false, hasAvx2}) {
    std::vector<Vec3> normals(LINES * SAMPLES, none);
    std::vector<double> residuals(LINES * SAMPLES, NO_VARIANCE);
    auto scratch = std::make_unique<FitScratch>();
    (wide ? avx2::fitLine : baseline::fitLine)(
        ring, {LINES, SAMPLES, K, 12, squaredDistanceLimit(1.0), 0.2}, CENTRE, *scratch, normals,
        residuals);
    for (int32_t s = 0; s < SAMPLES; ++s) {
      Vec3 normal = none;
      double residual = NO_VARIANCE;
      if (!literalFit(ring, s, normal, residual)) normal = none, residual = NO_VARIANCE;
      const size_t at = static_cast<size_t>(s * LINES + CENTRE);
      EXPECT_EQ(std::memcmp(&normals[at], &normal, sizeof normal), 0) << "sample " << s;
      EXPECT_EQ(std::memcmp(&residuals[at], &residual, sizeof residual), 0) << "sample " << s;
    }
  }
}

}  // namespace
}  // namespace quorvel
