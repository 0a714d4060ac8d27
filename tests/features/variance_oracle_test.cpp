// The production surface estimation against the literal one on simulated scenes of all three
// set-ups, bit for bit, with one and two worker threads and either vector form.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "features/lane_dispatch.h"
#include "features/variance_map.h"
#include "tests/reference/variance_reference.h"
#include "tests/support/simulated_scan.h"

namespace quorvel {
namespace {

struct SceneCase {
  const char* scene;
  double resolution;
  int lines;
  uint64_t seed;
};

// Bitwise equality, so that -0.0 against 0.0 and NaN payloads count as differences.
template <typename T>
size_t firstDifference(const std::vector<T>& a, const std::vector<T>& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0) return i;
  }
  return a.size();
}

const ParallelOptions everyRun[] = {
    ParallelOptions{1, VectorUnit::baseline}, ParallelOptions{2, VectorUnit::baseline},
    ParallelOptions{1, VectorUnit::widest}, ParallelOptions{2, VectorUnit::widest}};

std::string describe(const ParallelOptions& parallel) {
  return std::to_string(parallel.threads) + " threads, " +
         (useAvx2Lanes(parallel) ? "AVX2" : "SSE2");
}

class VarianceOracle : public ::testing::TestWithParam<SceneCase> {};

TEST_P(VarianceOracle, ProductionEqualsLiteralBitForBitForAnyThreadCount) {
  SimulationOptions options;
  options.scene = GetParam().scene;
  options.resolution = GetParam().resolution;
  options.lines = GetParam().lines;
  options.seed = GetParam().seed;
  test::SimulatedScan scan;
  ASSERT_NO_FATAL_FAILURE(test::loadSimulatedScan(options, scan));

  std::vector<double> variance;
  std::vector<Vec3> normals;
  reference::literalVarianceMap(scan.store, scan.calib, SegmentParams{}, variance, normals);
  size_t withNormal = 0, withVariance = 0;
  for (size_t i = 0; i < normals.size(); ++i) {
    withNormal += normals[i][0] != NO_NORMAL;
    withVariance += variance[i] >= 0;
  }
  EXPECT_GT(withNormal, normals.size() / 4) << "the scene should give many normals";
  EXPECT_GT(withVariance, variance.size() / 4);

  for (const ParallelOptions& parallel : everyRun) {
    scan.store.varianceMap.reset();
    scan.store.normalMap.reset();
    ASSERT_EQ(computeVarianceMap(scan.store, scan.calib, SegmentParams{}, parallel), 1);
    const std::string run = describe(parallel);
    const size_t v = firstDifference(*scan.store.varianceMap, variance);
    EXPECT_EQ(v, variance.size()) << run << ": variance differs at " << v;
    const size_t n = firstDifference(*scan.store.normalMap, normals);
    EXPECT_EQ(n, normals.size()) << run << ": normal differs at " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, VarianceOracle,
                         ::testing::Values(SceneCase{"street", 0.5, 300, 11},
                                           SceneCase{"hills", 1.0, 400, 5},
                                           SceneCase{"street", 0.25, 250, 23},
                                           SceneCase{"hills", 0.25, 120, 8}));

// The second pass alone on random residual grids: present and missing residuals in every
// pattern (blocks of 0 ... 9 values), zeros, and runs of equal values whose spread rounds below
// zero; grids narrower and wider than the side-by-side group.
TEST(BlockVarianceOracle, EqualsTheLiteralOnRandomGrids) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  for (const auto& [lines, samples] : {std::pair{37, 6}, {10, 4}, {9, 3}, {3, 3}, {130, 5}}) {
    ScanStore shape;
    shape.lineCount = lines;
    shape.pointsPerLine = samples;
    std::vector<double> residuals(static_cast<size_t>(lines * samples));
    for (double& r : residuals) {
      const double u = uniform(random);
      r = u < 0.4 ? NO_VARIANCE : u < 0.6 ? 0.1 : u < 0.65 ? 0.0 : 0.2 * uniform(random);
    }
    std::vector<double> expected(residuals.size(), 99.0);
    reference::literalBlockVariance(shape, residuals, expected);
    for (const ParallelOptions& parallel : everyRun) {
      std::vector<double> variance(residuals.size(), 99.0);
      varianceFromResiduals(residuals, lines, samples, parallel, variance);
      const size_t v = firstDifference(variance, expected);
      EXPECT_EQ(v, variance.size())
          << lines << " x " << samples << ", " << describe(parallel) << ": differs at " << v;
    }
  }
}

}  // namespace
}  // namespace quorvel
