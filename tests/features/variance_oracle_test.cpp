// The production surface estimation against the literal one on simulated scenes of all three
// set-ups, bit for bit, with one and two worker threads.
#include <gtest/gtest.h>

#include <cstring>

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

  for (int threads : {1, 2}) {
    scan.store.varianceMap.reset();
    scan.store.normalMap.reset();
    ASSERT_EQ(computeVarianceMap(scan.store, scan.calib, SegmentParams{}, ParallelOptions{threads}),
              1);
    const size_t v = firstDifference(*scan.store.varianceMap, variance);
    EXPECT_EQ(v, variance.size()) << "threads " << threads << ": variance differs at " << v;
    const size_t n = firstDifference(*scan.store.normalMap, normals);
    EXPECT_EQ(n, normals.size()) << "threads " << threads << ": normal differs at " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, VarianceOracle,
                         ::testing::Values(SceneCase{"street", 0.5, 300, 11},
                                           SceneCase{"hills", 1.0, 400, 5},
                                           SceneCase{"street", 0.25, 250, 23},
                                           SceneCase{"hills", 0.25, 120, 8}));

}  // namespace
}  // namespace quorvel
