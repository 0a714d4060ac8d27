// createVarianceMap on small scans built in memory: the markers, the thresholds, the border,
// the lifecycle of its buffers and its failures; the statistics of its second pass.
#include "features/variance_map.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "platform/headless/headless_platform.h"
#include "tests/reference/variance_reference.h"
#include "tests/support/grid_store.h"

namespace quorvel {
namespace {

constexpr Vec3 NO_NORMAL_ENTRY = {NO_NORMAL, NO_NORMAL, NO_NORMAL};

// Every sample at range 10 (raw 1000, unit 100): neighbours 0.17 apart along a line, lines 0.1
// apart, all points in the plane z = 0.
ScanStore flatStore(int32_t lines) {
  return test::gridStore(lines, 181, 100.0f, [](int32_t, int32_t) { return int16_t(1000); });
}

const Vec3& normalAt(const ScanStore& store, int32_t l, int32_t s) {
  return (*store.normalMap)[static_cast<size_t>(s) * store.lineCount + l];
}
double varianceAt(const ScanStore& store, int32_t l, int32_t s) {
  return (*store.varianceMap)[static_cast<size_t>(s) * store.lineCount + l];
}

int compute(ScanStore& store, const SegmentParams& params = {}, int threads = 1) {
  return computeVarianceMap(store, test::identityCalib(), params, ParallelOptions{threads});
}

TEST(VarianceMap, FlatSurfaceGivesUpwardNormalsAndZeroVarianceInside) {
  ScanStore store = flatStore(12);
  ASSERT_EQ(compute(store), 1);
  for (int32_t l = 0; l < 12; ++l) {
    for (int32_t s = 0; s < 181; ++s) {
      EXPECT_EQ(normalAt(store, l, s), (Vec3{0, 0, 1})) << l << " " << s;
      const bool border = l == 0 || l == 11 || s == 0 || s == 180;
      EXPECT_EQ(varianceAt(store, l, s), border ? NO_VARIANCE : 0.0) << l << " " << s;
    }
  }
}

TEST(VarianceMap, SampleWithoutPointHasNeitherNormalNorVariance) {
  ScanStore store = test::gridStore(12, 181, 100.0f, [](int32_t l, int32_t s) {
    return int16_t(l == 5 && s == 50 ? 0 : 1000);  // range 0: no point
  });
  ASSERT_EQ(compute(store), 1);
  EXPECT_EQ(normalAt(store, 5, 50), NO_NORMAL_ENTRY);
  EXPECT_EQ(varianceAt(store, 5, 50), NO_VARIANCE);
  EXPECT_EQ(normalAt(store, 5, 51), (Vec3{0, 0, 1}));
  EXPECT_EQ(varianceAt(store, 5, 51), 0.0);
}

// Sample (10, 90) with its first `neighbours` window points (line offset outer) and no other
// point anywhere.
ScanStore sparseStore(int neighbours) {
  return test::gridStore(21, 181, 100.0f, [neighbours](int32_t l, int32_t s) {
    const int32_t dl = l - 10, ds = s - 90;
    if (std::abs(dl) > 3 || std::abs(ds) > 3) return int16_t(0);
    int index = (dl + 3) * 7 + (ds + 3);  // window order; the centre is index 24
    if (index == 24) return int16_t(1000);
    if (index > 24) --index;
    return int16_t(index < neighbours ? 1000 : 0);
  });
}

struct NeighbourCase {
  int neighbours;
  bool normal;
};

class NeighbourThreshold : public ::testing::TestWithParam<NeighbourCase> {};

TEST_P(NeighbourThreshold, TwelveCloseNeighboursGiveANormal) {
  ScanStore store = sparseStore(GetParam().neighbours);
  ASSERT_EQ(compute(store), 1);
  EXPECT_EQ(normalAt(store, 10, 90) != NO_NORMAL_ENTRY, GetParam().normal);
}

INSTANTIATE_TEST_SUITE_P(Counts, NeighbourThreshold,
                         ::testing::Values(NeighbourCase{11, false}, NeighbourCase{12, true},
                                           NeighbourCase{48, true}));

TEST(VarianceMap, FarNeighboursDoNotCount) {
  // Every point of the window but the centre lies more than 1.0 beyond it.
  ScanStore store = test::gridStore(21, 181, 100.0f, [](int32_t l, int32_t s) {
    return int16_t(l == 10 && s == 90 ? 1000 : 1200);
  });
  ASSERT_EQ(compute(store), 1);
  EXPECT_EQ(normalAt(store, 10, 90), NO_NORMAL_ENTRY);
  EXPECT_EQ(normalAt(store, 10, 100), (Vec3{0, 0, 1}));
}

// A scanner tilted out of the horizontal, so that ranges shape a surface in 3-D.
SensorCalib tiltedCalib() {
  SensorCalib calib;
  calib.rotation = RotX(1.2);
  calib.translation = {0.0, 0.0, 2.0};
  return calib;
}

// Ranges with a ripple, so that the fits leave residuals.
ScanStore rippleStore(int32_t lines) {
  return test::gridStore(lines, 361, 100.0f, [](int32_t l, int32_t s) {
    return int16_t(1000 + (l * 37 + s * 101) % 23 - 11);
  });
}

TEST(VarianceMap, ResidualEqualToTheLimitKeepsTheNormal) {
  ScanStore store = rippleStore(9);
  const size_t count = static_cast<size_t>(9) * 361;
  std::vector<Vec3> normals(count, NO_NORMAL_ENTRY);
  std::vector<double> residuals(count, -1.0);
  SegmentParams loose;
  loose.maxFitResidual = 1e9;
  reference::literalPlaneFits(store, tiltedCalib(), loose, normals, residuals);
  const size_t at = 200 * 9 + 4;
  const double r = residuals[at];
  ASSERT_GT(r, 0.0);

  SegmentParams limit;
  limit.maxFitResidual = r;
  ASSERT_EQ(computeVarianceMap(store, tiltedCalib(), limit, ParallelOptions{1}), 1);
  EXPECT_EQ((*store.normalMap)[at], normals[at]);

  store.varianceMap.reset();
  store.normalMap.reset();
  limit.maxFitResidual = std::nextafter(r, 0.0);
  ASSERT_EQ(computeVarianceMap(store, tiltedCalib(), limit, ParallelOptions{1}), 1);
  EXPECT_EQ((*store.normalMap)[at], NO_NORMAL_ENTRY);
}

TEST(VarianceMap, SecondCallLeavesBothBuffersUntouched) {
  ScanStore store = flatStore(8);
  ASSERT_EQ(compute(store), 1);
  (*store.varianceMap)[500] = 42.0;
  (*store.normalMap)[500] = {7, 7, 7};
  const double* variance = store.varianceMap->data();
  ASSERT_EQ(compute(store), 1);
  EXPECT_EQ(store.varianceMap->data(), variance);
  EXPECT_EQ((*store.varianceMap)[500], 42.0);
  EXPECT_EQ((*store.normalMap)[500], (Vec3{7, 7, 7}));
}

TEST(VarianceMap, MissingNormalMapRecomputesIntoTheSameVarianceMap) {
  ScanStore store = flatStore(8);
  ASSERT_EQ(compute(store), 1);
  const std::vector<double> expected = *store.varianceMap;
  const double* variance = store.varianceMap->data();
  (*store.varianceMap)[500] = 42.0;
  store.normalMap.reset();
  ASSERT_EQ(compute(store), 1);
  EXPECT_EQ(store.varianceMap->data(), variance);
  EXPECT_EQ(*store.varianceMap, expected);
  ASSERT_TRUE(store.normalMap.has_value());
}

TEST(VarianceMap, BufferThatCannotBeAllocatedShowsTheStageMessage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer ends the program where operator new would throw";
#endif
  ScanStore store = test::gridStore(1, 401, 100.0f, [](int32_t, int32_t) { return int16_t(1000); });
  store.lineCount = INT32_MAX;  // 2^31 lines of 401 samples: 7 TB for the VarianceMap alone
  const size_t shown = shownStageMessages().size();
  EXPECT_EQ(compute(store), 0);
  ASSERT_EQ(shownStageMessages().size(), shown + 1);
  EXPECT_EQ(shownStageMessages().back().text, "Memory failure in createVarianceMap.");
  EXPECT_EQ(shownStageMessages().back().caption, "Error");
  EXPECT_FALSE(store.normalMap.has_value());
  EXPECT_FALSE(store.varianceMap.has_value());
}

TEST(VarianceMap, WindowBeyondTheNeighbourArraysIsRefused) {
  for (int32_t K : {0, -1, MAX_WIN_HALF_SIZE + 1}) {
    ScanStore store = flatStore(4);
    SegmentParams params;
    params.winHalfSize = K;
    EXPECT_EQ(compute(store, params), 0) << K;
    EXPECT_FALSE(store.varianceMap.has_value()) << K;
    EXPECT_FALSE(store.normalMap.has_value()) << K;
  }
}

struct GridCase {
  int32_t lines;
  int32_t K;
  double maxPointDist;
  int threads;
  bool tilted = true;     // false: every point in the plane z = 0 (zero scatter entries)
  bool standing = false;  // every line at the same place: repeated points
};

class VarianceGridOracle : public ::testing::TestWithParam<GridCase> {};

TEST_P(VarianceGridOracle, ProductionEqualsLiteralBitForBit) {
  const GridCase& c = GetParam();
  ScanStore store = test::gridStore(
      c.lines, 181, 100.0f,
      [](int32_t l, int32_t s) {
        // Ripples, gaps (raw 30: range 0.3, no point) and steps farther than the distance limit.
        const int v = (l * 131 + s * 71) % 97;
        if (v < 6) return int16_t(30);
        return int16_t((s / 20) % 2 ? 1000 + v : 1130 - v);
      },
      c.standing ? Vec3{0, 0, 0} : Vec3{0, 0.1, 0});
  const SensorCalib calib = c.tilted ? tiltedCalib() : test::identityCalib();
  SegmentParams params;
  params.winHalfSize = c.K;
  params.maxPointDist = c.maxPointDist;
  std::vector<double> variance;
  std::vector<Vec3> normals;
  reference::literalVarianceMap(store, calib, params, variance, normals);
  size_t withNormal = 0;
  for (const Vec3& normal : normals) withNormal += normal[0] != NO_NORMAL;
  EXPECT_TRUE(c.lines == 1 || withNormal > 0) << "a comparison without normals proves little";
  for (const VectorUnit vectors : {VectorUnit::baseline, VectorUnit::widest}) {
    store.varianceMap.reset();
    store.normalMap.reset();
    ASSERT_EQ(computeVarianceMap(store, calib, params, ParallelOptions{c.threads, vectors}), 1);
    EXPECT_EQ(std::memcmp(store.varianceMap->data(), variance.data(), variance.size() * 8), 0);
    EXPECT_EQ(std::memcmp(store.normalMap->data(), normals.data(), normals.size() * 24), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, VarianceGridOracle,
                         ::testing::Values(GridCase{1, 3, 1.0, 2}, GridCase{2, 3, 1.0, 3},
                                           GridCase{3, 3, 1.0, 1}, GridCase{7, 1, 1.0, 2},
                                           GridCase{40, 2, 0.3, 3}, GridCase{40, 5, 1.0, 2},
                                           GridCase{25, 12, 2.0, 2}, GridCase{30, 3, 1.0, 2, false},
                                           GridCase{12, 3, 1.0, 1, false, true},
                                           GridCase{12, 2, 1.0, 2, true, true}));

TEST(MinFitPoints, AQuarterOfTheWindowWithoutItsCentre) {
  EXPECT_EQ(minFitPoints(3), 12);
  EXPECT_EQ(minFitPoints(1), 2);
  EXPECT_EQ(minFitPoints(2), 6);
  EXPECT_EQ(minFitPoints(12), 156);
}

struct StatsCase {
  std::vector<double> values;
  double mean, sd;
};

class MeanAndStdDev : public ::testing::TestWithParam<StatsCase> {};

TEST_P(MeanAndStdDev, FollowsTheCountRules) {
  const StatsCase& c = GetParam();
  double mean = -7, sd = -7;
  meanAndStdDev(c.values.data(), static_cast<int32_t>(c.values.size()), mean, sd);
  EXPECT_EQ(mean, c.mean);
  EXPECT_EQ(sd, c.sd);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, MeanAndStdDev,
    ::testing::Values(StatsCase{{}, 0.0, 0.0}, StatsCase{{0.25}, 0.25, 0.0},
                      // two values: half the difference, not the n - 1 formula
                      StatsCase{{0.1, 0.3}, (0.1 + 0.3) / 2, std::fabs(0.1 - 0.3) / 2},
                      StatsCase{{1.0, 2.0, 3.0}, 2.0, 1.0},
                      StatsCase{{0.5, 0.5, 0.5, 0.5}, 0.5, 0.0}));

TEST(MeanAndStdDevRounding, NegativeSpreadOfEqualValuesIsZeroNotNaN) {
  const double values[3] = {0.1, 0.1, 0.1};
  const double mean = (0.1 + 0.1 + 0.1) / 3;
  ASSERT_LT(0.1 * 0.1 + 0.1 * 0.1 + 0.1 * 0.1 - 3 * (mean * mean), 0.0);  // the case exists
  double m, sd;
  meanAndStdDev(values, 3, m, sd);
  EXPECT_EQ(sd, 0.0);
}

// A 5 x 5 grid (lines x samples) of residuals, sample-major, all absent but those given.
std::vector<double> residualGrid(std::initializer_list<std::pair<int, double>> present) {
  std::vector<double> grid(25, -1.0);
  for (const auto& [index, value] : present) grid[static_cast<size_t>(index)] = value;
  return grid;
}

double secondPassAt(const std::vector<double>& residuals, int32_t l, int32_t s) {
  std::vector<double> variance(25, 99.0);
  varianceFromResiduals(residuals, 5, 5, ParallelOptions{2}, variance);
  return variance[static_cast<size_t>(s * 5 + l)];
}

TEST(VarianceFromResiduals, CentreAloneHasNoVariance) {
  EXPECT_EQ(secondPassAt(residualGrid({{12, 0.05}}), 2, 2), NO_VARIANCE);
}

TEST(VarianceFromResiduals, OneNeighbourGivesHalfTheDifference) {
  EXPECT_EQ(secondPassAt(residualGrid({{12, 0.05}, {6, 0.11}}), 2, 2), std::fabs(0.11 - 0.05) / 2);
  EXPECT_EQ(secondPassAt(residualGrid({{12, 0.05}, {18, 0.01}}), 2, 2), std::fabs(0.01 - 0.05) / 2);
}

TEST(VarianceFromResiduals, CentreWithoutResidualHasNoVarianceWhateverItsBlock) {
  EXPECT_EQ(secondPassAt(residualGrid({{6, 0.1}, {7, 0.2}, {8, 0.3}, {11, 0.4}}), 2, 2),
            NO_VARIANCE);
}

TEST(VarianceFromResiduals, FullBlockInSampleMajorOrder) {
  std::vector<double> residuals(25);
  for (size_t i = 0; i < 25; ++i) residuals[i] = 0.01 * static_cast<double>(i * i % 17);
  const double block[9] = {residuals[6],  residuals[7],  residuals[8],
                           residuals[11], residuals[12], residuals[13],
                           residuals[16], residuals[17], residuals[18]};
  double mean, sd;
  meanAndStdDev(block, 9, mean, sd);
  EXPECT_EQ(secondPassAt(residuals, 2, 2), sd);
}

TEST(VarianceFromResiduals, BorderIsLeftAlone) {
  std::vector<double> residuals(25, 0.1);
  std::vector<double> variance(25, 99.0);
  varianceFromResiduals(residuals, 5, 5, ParallelOptions{1}, variance);
  for (int32_t s = 0; s < 5; ++s) {
    for (int32_t l = 0; l < 5; ++l) {
      const bool border = l == 0 || l == 4 || s == 0 || s == 4;
      if (border) {
        EXPECT_EQ(variance[static_cast<size_t>(s * 5 + l)], 99.0) << l << " " << s;
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
