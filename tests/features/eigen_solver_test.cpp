// tred2 + tqli against an independent decomposition, their fixed behaviours, and the
// side-by-side lanes against the single solver bit for bit.
#include "features/eigen_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "features/eigen_solver_lanes.h"
#include "features/lane_dispatch.h"
#include "tests/reference/symmetric_eigen_reference.h"

namespace quorvel {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

Mat3 randomSymmetric(std::mt19937_64& random, double scale) {
  std::uniform_real_distribution<double> value(-scale, scale);
  Mat3 a;
  for (int i = 0; i < 3; ++i) {
    for (int j = i; j < 3; ++j) a[3 * i + j] = a[3 * j + i] = value(random);
  }
  return a;
}

struct Solution {
  Vec3 d, e;
  Mat3 z;
};

Solution solve(const Mat3& a) {
  Solution out;
  out.z = a;
  tred2(out.z, out.d, out.e);
  tqli(out.d, out.e, out.z);
  return out;
}

TEST(Tqli, DiagonalMatrixReturnsAtOnceWithEverythingUntouched) {
  Vec3 d = {4.0, -1.5, 9.0}, e = {0.0, 0.0, 0.0};
  Mat3 z = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
  const Mat3 zBefore = z;
  testing::internal::CaptureStdout();
  tqli(d, e, z);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(d, (Vec3{4.0, -1.5, 9.0}));
  EXPECT_EQ(z, zBefore);
}

TEST(Tqli, NonFiniteInputEndsAndWarnsOncePerUnconvergedEigenvalue) {
  Vec3 d = {NaN, 1.0, 2.0}, e = {0.0, 0.5, 0.5};
  Mat3 z;
  mat3Identity(z);
  testing::internal::CaptureStdout();
  tqli(d, e, z);  // must return: the iteration limit ends each eigenvalue's loop
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nToo many iterations in TQLI\nToo many iterations in TQLI");
}

TEST(Tred2, ReducesToTridiagonalWithAnOrthogonalMatrix) {
  std::mt19937_64 random(7);
  for (int trial = 0; trial < 200; ++trial) {
    const Mat3 a = randomSymmetric(random, 10.0);
    Mat3 q = a;
    Vec3 d, e;
    tred2(q, d, e);
    EXPECT_EQ(e[0], 0.0);
    // Q^T A Q is the tridiagonal matrix of d and e[1], e[2].
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        double t = 0;
        for (int k = 0; k < 3; ++k) {
          for (int m = 0; m < 3; ++m) t += q[3 * k + i] * a[3 * k + m] * q[3 * m + j];
        }
        const double expected = i == j ? d[i] : std::abs(i - j) == 1 ? e[std::max(i, j)] : 0.0;
        EXPECT_NEAR(t, expected, 1e-12 * 30) << "trial " << trial << " (" << i << "," << j << ")";
      }
    }
  }
}

TEST(EigenSolver, MatchesAnIndependentDecompositionOnRandomMatrices) {
  std::mt19937_64 random(2024);
  for (int trial = 0; trial < 1000; ++trial) {
    const double scale = std::pow(10.0, trial % 7 - 3);
    const Mat3 a = randomSymmetric(random, scale);
    const Solution s = solve(a);
    const reference::SymmetricEigen ref = reference::jacobiEigen(a);
    Vec3 sorted = s.d;
    std::sort(sorted.begin(), sorted.end());
    for (int j = 0; j < 3; ++j) {
      EXPECT_NEAR(sorted[j], static_cast<double>(ref.values[j]), 1e-12 * scale) << trial;
    }
    // The eigenvector of the smallest eigenvalue, up to sign, when it is well separated.
    const int smallest = static_cast<int>(std::min_element(s.d.begin(), s.d.end()) - s.d.begin());
    if (ref.values[1] - ref.values[0] < 1e-3 * scale) continue;
    double dot = 0;
    for (int k = 0; k < 3; ++k) {
      dot += s.z[3 * k + smallest] * static_cast<double>(ref.vectors[0][k]);
    }
    EXPECT_NEAR(std::abs(dot), 1.0, 1e-9) << trial;
  }
}

TEST(EigenSolver, EigenvectorsStayOrthonormal) {
  std::mt19937_64 random(99);
  for (int trial = 0; trial < 200; ++trial) {
    const Solution s = solve(randomSymmetric(random, 1.0));
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        double dot = 0;
        for (int k = 0; k < 3; ++k) dot += s.z[3 * k + i] * s.z[3 * k + j];
        EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-14) << trial;
      }
    }
  }
}

// Matrices that take every path of the solvers: dense, diagonal, zero, a decoupled third axis
// (row 2 zero left of the diagonal: tred2 skips its Householder step and tqli meets a shorter
// block), repeated eigenvalues, wide scales, and non-finite entries.
std::vector<Mat3> pathMatrices() {
  std::mt19937_64 random(5);
  std::vector<Mat3> matrices;
  for (int i = 0; i < 40; ++i) matrices.push_back(randomSymmetric(random, 1.0));
  for (int i = 0; i < 8; ++i) {
    Mat3 a = randomSymmetric(random, 5.0);
    a[2] = a[6] = a[5] = a[7] = 0.0;
    matrices.push_back(a);
  }
  matrices.push_back({4, 0, 0, 0, 1, 0, 0, 0, 9});
  matrices.push_back({});
  matrices.push_back({2, 1, 1, 1, 2, 1, 1, 1, 2});
  matrices.push_back({1e-300, 1e-301, 0, 1e-301, 1e-300, 2e-301, 0, 2e-301, 3e-300});
  matrices.push_back({1e150, 3e149, 1e149, 3e149, 2e150, 5e149, 1e149, 5e149, 1e150});
  matrices.push_back({NaN, 1, 2, 1, 3, 4, 2, 4, 5});
  matrices.push_back({1, 2, NaN, 2, 3, 4, NaN, 4, 5});
  return matrices;
}

template <typename T>
bool sameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// One form of the lane solver (features/lane_target.h).
struct LaneSolver {
  const char* name;
  bool needsAvx2;
  void (*tred2)(LaneMat3&, LaneVec3&, LaneVec3&);
  void (*tqli)(LaneVec3&, LaneVec3&, LaneMat3&);
};

class EigenSolverLanes : public ::testing::TestWithParam<LaneSolver> {};

TEST_P(EigenSolverLanes, EveryLaneEqualsTheSingleSolverBitForBit) {
  if (GetParam().needsAvx2 && !useAvx2Lanes(ParallelOptions{})) GTEST_SKIP() << "no AVX2";
  const std::vector<Mat3> matrices = pathMatrices();
  testing::internal::CaptureStdout();
  std::string expectedWarnings;
  // Every rotation of the list through the lanes, so that each matrix meets varied neighbours.
  for (size_t offset = 0; offset < matrices.size(); ++offset) {
    LaneMat3 a;
    LaneVec3 d, e;
    std::array<Solution, FIT_LANES> expected;
    for (int k = 0; k < FIT_LANES; ++k) {
      const Mat3& m = matrices[(offset + static_cast<size_t>(k)) % matrices.size()];
      for (size_t i = 0; i < 9; ++i) a[i][k] = m[i];
      expected[k] = solve(m);
    }
    expectedWarnings = testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    GetParam().tred2(a, d, e);
    GetParam().tqli(d, e, a);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expectedWarnings);
    testing::internal::CaptureStdout();
    for (int k = 0; k < FIT_LANES; ++k) {
      Solution lane;
      for (size_t i = 0; i < 9; ++i) lane.z[i] = a[i][k];
      for (size_t i = 0; i < 3; ++i) lane.d[i] = d[i][k], lane.e[i] = e[i][k];
      EXPECT_TRUE(sameBits(lane.d, expected[k].d)) << "offset " << offset << " lane " << k;
      EXPECT_TRUE(sameBits(lane.z, expected[k].z)) << "offset " << offset << " lane " << k;
    }
  }
  testing::internal::GetCapturedStdout();
}

INSTANTIATE_TEST_SUITE_P(
    Forms, EigenSolverLanes,
    ::testing::Values(LaneSolver{"baseline", false, baseline::tred2Lanes, baseline::tqliLanes},
                      LaneSolver{"avx2", true, avx2::tred2Lanes, avx2::tqliLanes}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel
