// The surface estimation against the literal one, bit for bit, with one and more threads and
// either vector form, on hand-made grids at the limits of the rules and, the second pass alone,
// on random residual grids; the stage's buffers and failures; statistics of rare counts.
#include "features/variance_map.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include "platform/headless/headless_platform.h"
#include "tests/reference/variance_reference.h"
#include "tests/support/grid_store.h"

namespace quorvel {
namespace {

const ParallelOptions everyRun[] = {{1, VectorUnit::baseline},
                                    {2, VectorUnit::baseline},
                                    {1, VectorUnit::widest},
                                    {3, VectorUnit::widest}};

// Bitwise, so that -0.0 against 0.0 and NaN payloads count as differences.
template <typename T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

void expectEqualsLiteral(ScanStore& store, const SensorCalib& calib, const SegmentParams& params) {
  std::vector<double> variance;
  std::vector<Vec3> normals;
  reference::literalVarianceMap(store, calib, params, variance, normals);
  for (const ParallelOptions& parallel : everyRun) {
    store.varianceMap.reset();
    store.normalMap.reset();
    ASSERT_EQ(computeVarianceMap(store, calib, params, parallel), 1);
    EXPECT_TRUE(sameBits(*store.varianceMap, variance)) << parallel.threads << " threads";
    EXPECT_TRUE(sameBits(*store.normalMap, normals)) << int(parallel.vectors) << " vectors";
  }
}

// Ripples, gaps (raw 30: range 0.3, no point) and steps farther than the distance limit.
int16_t ripple(int32_t l, int32_t s) {
  const int v = (l * 131 + s * 71) % 97;
  return static_cast<int16_t>(v < 6 ? 30 : (s / 20) % 2 ? 1000 + v : 1130 - v);
}

// Sample (10, 90) with its first N window points (K = 3, line offset outer), nothing else.
template <int N>
int16_t sparse(int32_t l, int32_t s) {
  if (std::abs(l - 10) > 3 || std::abs(s - 90) > 3) return 0;
  const int index = (l - 7) * 7 + (s - 87);  // the centre is 24
  return index == 24 || index - (index > 24) < N ? 1000 : 0;
}

int16_t farRing(int32_t l, int32_t s) {  // every neighbour of (10, 90) more than 1.0 beyond it
  return l == 10 && s == 90 ? 1000 : 1200;
}

SegmentParams params(int32_t K, double maxPointDist = 1.0, double maxFitResidual = 0.2) {
  SegmentParams params;
  params.winHalfSize = K;
  params.maxPointDist = maxPointDist;
  params.maxFitResidual = maxFitResidual;
  return params;
}

// Every window size, gaps, far steps, 11 and 12 close neighbours, a residual at its limit.
// Tilted: ranges shape a surface, else all points lie in z = 0; standing: repeated points.
TEST(VarianceOracle, HandMadeGrids) {
  SensorCalib tilted;
  tilted.rotation = RotX(1.2);
  tilted.translation = {0.0, 0.0, 2.0};
  const ScanStore probe = test::gridStore(12, 181, 100.0f, ripple);
  std::vector<Vec3> normals(12 * 181);
  std::vector<double> residuals(12 * 181, -1.0);
  reference::literalPlaneFits(probe, tilted, params(3, 1.0, 1e9), normals, residuals);
  const double limit = residuals[100 * 12 + 6];  // a residual exactly at the limit
  ASSERT_GT(limit, 0.0);
  const struct {
    int16_t (*raw)(int32_t, int32_t);
    int32_t lines, K;
    double maxPointDist, maxFitResidual;
    bool tilted, standing;
  } cases[] = {
      {ripple, 1, 3, 1.0, 0.2, true, false},       {ripple, 2, 3, 1.0, 0.2, true, false},
      {ripple, 3, 3, 1.0, 0.2, true, false},       {ripple, 7, 1, 1.0, 0.2, true, false},
      {ripple, 40, 2, 0.3, 0.2, true, false},      {ripple, 40, 5, 1.0, 0.2, true, false},
      {ripple, 25, 12, 2.0, 0.2, true, false},     {ripple, 30, 3, 1.0, 0.2, false, false},
      {ripple, 12, 3, 1.0, 0.2, false, true},      {ripple, 12, 2, 1.0, 0.2, true, true},
      {ripple, 12, 3, 1.0, limit, true, false},    {sparse<11>, 21, 3, 1.0, 0.2, false, false},
      {sparse<12>, 21, 3, 1.0, 0.2, false, false}, {farRing, 21, 3, 1.0, 0.2, false, false}};
  for (const auto& c : cases) {
    ScanStore store =
        test::gridStore(c.lines, 181, 100.0f, c.raw, c.standing ? Vec3{0, 0, 0} : Vec3{0, 0.1, 0});
    expectEqualsLiteral(store, c.tilted ? tilted : test::identityCalib(),
                        params(c.K, c.maxPointDist, c.maxFitResidual));
  }
}

// Present and missing residuals in every pattern (blocks of 0 ... 9 values), zeros, and runs
// of equal values whose spread rounds below zero; grids narrower and wider than a lane group.
TEST(VarianceOracle, SecondPassOnRandomResidualGrids) {
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
      EXPECT_TRUE(sameBits(variance, expected)) << lines << " x " << samples;
    }
  }
}

// A second call keeps both buffers; one without a NormalMap recomputes into the VarianceMap
// it finds. A window beyond the neighbour arrays is refused without a message; 2^31 lines of
// 181 samples (3 TB for the VarianceMap alone) fail with one.
TEST(VarianceMap, BuffersAndFailures) {
  const auto compute = [](ScanStore& store, const SegmentParams& params = {}) {
    return computeVarianceMap(store, test::identityCalib(), params, ParallelOptions{1});
  };
  ScanStore store = test::gridStore(8, 181, 100.0f, ripple);
  ASSERT_EQ(compute(store), 1);
  const std::vector<double> expected = *store.varianceMap;
  const double* variance = store.varianceMap->data();
  (*store.varianceMap)[500] = 42.0;
  ASSERT_EQ(compute(store), 1);
  EXPECT_EQ((*store.varianceMap)[500], 42.0);
  store.normalMap.reset();
  ASSERT_EQ(compute(store), 1);
  EXPECT_TRUE(store.varianceMap->data() == variance && *store.varianceMap == expected);
  EXPECT_TRUE(store.normalMap.has_value());
  const size_t shown = shownStageMessages().size();
  for (int32_t K : {0, -1, MAX_WIN_HALF_SIZE + 1}) {
    ScanStore refused = test::gridStore(4, 181, 100.0f, ripple);
    EXPECT_EQ(compute(refused, params(K)), 0) << K;
    EXPECT_FALSE(refused.varianceMap || refused.normalMap) << K;
  }
  EXPECT_EQ(shownStageMessages().size(), shown);
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer ends the program where operator new would throw";
#endif
  ScanStore huge = test::gridStore(1, 181, 100.0f, ripple);
  huge.lineCount = INT32_MAX;
  EXPECT_EQ(compute(huge), 0);
  ASSERT_EQ(shownStageMessages().size(), shown + 1);
  EXPECT_EQ(shownStageMessages().back().text + " " + shownStageMessages().back().caption,
            "Memory failure in createVarianceMap. Error");
  EXPECT_FALSE(huge.normalMap || huge.varianceMap);
}

// None gives 0 and 0, one value the value and 0.
TEST(MeanAndStdDev, NoneOrOneValue) {
  const double one = 0.25;
  double mean = -7, sd = -7;
  meanAndStdDev(&one, 0, mean, sd);
  EXPECT_TRUE(mean == 0.0 && sd == 0.0);
  meanAndStdDev(&one, 1, mean, sd);
  EXPECT_TRUE(mean == 0.25 && sd == 0.0);
}

}  // namespace
}  // namespace quorvel
