// The side-by-side plane fits of one line against fitPlane and planeResidual on hand-made
// point sets whose coordinates are multiples of 1/8, so that sums are exact and the solver's
// ties really occur: equal diagonal entries, tied smallest eigenvalues (collinear points),
// normals with a zero or negative-zero z component (vertical planes), missing and far points.
#include "features/fit_line_lanes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "features/lane_dispatch.h"
#include "features/plane_fit.h"
#include "features/squared_distance_limit.h"

namespace quorvel {
namespace {

constexpr int32_t K = 3;
constexpr int32_t LINES = 2 * K + 1;
constexpr int32_t SAMPLES = 56;
constexpr int32_t CENTRE_LINE = K;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Seven blocks of eight samples, one kind of surface each; the windows at the block edges mix
// two kinds.
Vec3 patternPoint(int32_t l, int32_t s) {
  const double u = s / 8.0, v = l / 8.0;
  switch (s / 8) {
    case 0:  // a slope over a square grid: Sxx = Syy with Sxz != Syz
      return {u, v, 5.0 + u / 2.0 - v / 4.0};
    case 1:  // a line along x: two eigenvalues 0
      return {u + v, 0.0, 0.0};
    case 2:  // the vertical plane x = 3: a normal with z = 0
      return {3.0, u, v};
    case 3:  // a steep plane over a square grid in y and z: Syy = Szz with Sxy != Sxz
      return {3.0 + u / 2.0 - v / 4.0, u, v};
    case 4: {  // scattered heights, some samples without a point, some too far away
      const int hash = (l * 7 + s * 13) % 11;
      if (hash == 0) return {NaN, NaN, NaN};
      return {u, v, hash == 1 ? 9.0 : hash / 16.0};
    }
    case 5:  // a slope, with every other line missing
      if (l % 2 == 1) return {NaN, NaN, NaN};
      return {u, v, u / 2.0 - v};
    default:  // one point repeated: three eigenvalues 0
      return {2.0, 2.0, 2.0};
  }
}

LinePointRing patternRing() {
  LinePointRing ring;
  ring.allocate(LINES, SAMPLES, K + FIT_LANES - 1);
  for (int32_t l = 0; l < LINES; ++l) {
    for (int32_t s = 0; s < SAMPLES; ++s) {
      const Vec3 p = patternPoint(l, s);
      const size_t i = ring.at(l, s);
      ring.x[i] = p[0], ring.y[i] = p[1], ring.z[i] = p[2];
    }
  }
  return ring;
}

FitSettings patternSettings() {
  return {LINES, SAMPLES, K, 12, squaredDistanceLimit(1.0), 0.2};
}

// The fit of one sample as the single-sample functions do it.
bool literalFit(const LinePointRing& ring, int32_t s, Vec3& normal, double& residual) {
  double x[48], y[48], z[48];
  int32_t n = 0;
  const size_t centre = ring.at(CENTRE_LINE, s);
  if (std::isnan(ring.x[centre])) return false;
  for (int32_t l2 = 0; l2 < LINES; ++l2) {
    for (int32_t s2 = s - K; s2 <= s + K; ++s2) {
      if ((l2 == CENTRE_LINE && s2 == s) || s2 < 0 || s2 >= SAMPLES) continue;
      const size_t q = ring.at(l2, s2);
      const double dx = ring.x[centre] - ring.x[q], dy = ring.y[centre] - ring.y[q],
                   dz = ring.z[centre] - ring.z[q];
      if (!(std::sqrt(dx * dx + dy * dy + dz * dz) <= 1.0)) continue;
      x[n] = ring.x[q], y[n] = ring.y[q], z[n] = ring.z[q];
      ++n;
    }
  }
  if (n < 12) return false;
  Plane plane;
  fitPlane(n, x, y, z, plane);
  planeResidual(x, y, z, plane, residual, n);
  normal = {plane.a, plane.b, plane.c};
  return residual <= 0.2;
}

struct LineFit {
  const char* name;
  bool needsAvx2;
  void (*fit)(const LinePointRing&, const FitSettings&, int32_t, FitScratch&, std::vector<Vec3>&,
              std::vector<double>&);
};

class FitLineLanes : public ::testing::TestWithParam<LineFit> {};

TEST_P(FitLineLanes, EverySampleEqualsTheSingleFitBitForBit) {
  if (GetParam().needsAvx2 && !useAvx2Lanes(ParallelOptions{})) GTEST_SKIP() << "no AVX2";
  const LinePointRing ring = patternRing();
  const size_t count = static_cast<size_t>(LINES * SAMPLES);
  std::vector<Vec3> normals(count, {NO_NORMAL, NO_NORMAL, NO_NORMAL});
  std::vector<double> residuals(count, NO_VARIANCE);
  auto scratch = std::make_unique<FitScratch>();
  GetParam().fit(ring, patternSettings(), CENTRE_LINE, *scratch, normals, residuals);

  int fitted = 0, zeroZ = 0;
  for (int32_t s = 0; s < SAMPLES; ++s) {
    Vec3 normal = {NO_NORMAL, NO_NORMAL, NO_NORMAL};
    double residual = NO_VARIANCE;
    if (!literalFit(ring, s, normal, residual)) normal = {NO_NORMAL, NO_NORMAL, NO_NORMAL};
    if (normal[0] == NO_NORMAL) residual = NO_VARIANCE;
    fitted += normal[0] != NO_NORMAL;
    zeroZ += normal[2] == 0.0;
    const size_t at = static_cast<size_t>(s * LINES + CENTRE_LINE);
    EXPECT_EQ(std::memcmp(&normals[at], &normal, sizeof normal), 0)
        << "sample " << s << ": (" << normals[at][0] << ", " << normals[at][1] << ", "
        << normals[at][2] << ") instead of (" << normal[0] << ", " << normal[1] << ", " << normal[2]
        << ")";
    EXPECT_EQ(std::memcmp(&residuals[at], &residual, sizeof residual), 0) << "sample " << s;
  }
  EXPECT_GT(fitted, SAMPLES / 2) << "the patterns should give many fits";
  EXPECT_GT(zeroZ, 0) << "the vertical planes should give normals with z = 0";
}

INSTANTIATE_TEST_SUITE_P(Forms, FitLineLanes,
                         ::testing::Values(LineFit{"baseline", false, baseline::fitLine},
                                           LineFit{"avx2", true, avx2::fitLine}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel
