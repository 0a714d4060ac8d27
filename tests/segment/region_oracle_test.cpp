// The production region segmentation against the literal one, LabelMap and every SegmentRecord
// field bit for bit: on simulated scenes of all three set-ups, on random grids (holes, ranges
// out of bounds, tied, missing and NaN variances, tiny grids, other parameters) and on a grid
// that reaches the segment limit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "features/variance_map.h"
#include "scan/point_reconstruction.h"
#include "segment/region_segmentation.h"
#include "tests/reference/region_reference.h"
#include "tests/segment/region_scan.h"
#include "tests/support/grid_store.h"
#include "tests/support/simulated_scan.h"

namespace quorvel {
namespace {

struct Outcome {
  size_t segmentSamples = 0;
  uint16_t segments = 0;
  size_t unassigned = 0;
};

// Runs both paths on the store (which holds its surface buffers) and compares them.
void expectIdenticalToLiteral(ScanStore& store, const SensorCalib& calib,
                              const SegmentParams& params, Outcome& outcome) {
  std::vector<uint16_t> labels;
  std::vector<SegmentRecord> table;
  reference::literalRegions(store, calib, params, labels, table);
  ASSERT_EQ(segmentRegions(store, calib, params), 1);
  for (size_t i = 0; i < labels.size(); ++i) {
    ASSERT_EQ((*store.labelMap)[i], labels[i]) << "sample-major index " << i;
    if (labels[i] < MAX_SEGMENTS) {
      outcome.segmentSamples += 1;
      outcome.segments = std::max<uint16_t>(outcome.segments, labels[i] + 1);
    }
    outcome.unassigned += labels[i] == UNASSIGNED;
  }
  for (uint16_t k = 0; k < MAX_SEGMENTS; ++k) {
    ASSERT_TRUE(reference::identicalRecords((*store.segmentTable)[k], table[k])) << "segment " << k;
  }
}

SegmentParams paramsWith(int32_t minRegionSize, double maxPointDist, double varianceTol) {
  SegmentParams params;
  params.minRegionSize = minRegionSize;
  params.maxPointDist = maxPointDist;
  params.varianceTol = varianceTol;
  return params;
}

struct SceneCase {
  const char* scene;
  double resolution;
  int lines;
  uint64_t seed;
  SegmentParams params;
  uint16_t fewestSegments;
};

class SimulatedRegions : public ::testing::TestWithParam<SceneCase> {};

TEST_P(SimulatedRegions, ProductionEqualsLiteralBitForBit) {
  const SceneCase& c = GetParam();
  SimulationOptions options;
  options.scene = c.scene;
  options.resolution = c.resolution;
  options.lines = c.lines;
  options.seed = c.seed;
  test::SimulatedScan scan;
  ASSERT_NO_FATAL_FAILURE(test::loadSimulatedScan(options, scan));
  ASSERT_EQ(computeVarianceMap(scan.store, scan.calib, SegmentParams{}, ParallelOptions{1}), 1);
  Outcome outcome;
  ASSERT_NO_FATAL_FAILURE(expectIdenticalToLiteral(scan.store, scan.calib, c.params, outcome));
  EXPECT_GE(outcome.segments, c.fewestSegments);
  EXPECT_GT(outcome.segmentSamples, scan.store.labelMap->size() / 4);
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, SimulatedRegions,
    ::testing::Values(SceneCase{"street", 1.0, 300, 3, SegmentParams{}, 100},
                      SceneCase{"hills", 0.5, 200, 11, SegmentParams{}, 5},
                      SceneCase{"street", 0.25, 120, 7, SegmentParams{}, 5},
                      SceneCase{"hills", 1.0, 400, 5, SegmentParams{}, 10},
                      SceneCase{"street", 0.5, 250, 2026, SegmentParams{}, 100},
                      SceneCase{"hills", 0.25, 200, 42, SegmentParams{}, 1},  // one smooth road
                      SceneCase{"street", 0.5, 150, 9, paramsWith(3, 0.3, 0.02), 20},
                      SceneCase{"hills", 1.0, 150, 13, paramsWith(25, 2.0, 0.0), 40}),
    [](const auto& info) {
      return std::string(info.param.scene) + "_" + std::to_string(info.param.lines) + "lines_" +
             std::to_string(info.index);
    });

struct RandomCase {
  const char* name;
  int32_t lines;
  int16_t pointsPerLine;
  uint64_t seed;
  SegmentParams params;
  uint16_t fewestSegments;
};

// A drifting surface with holes, cliffs and ranges outside 0.5 ... 60, seen through a tilted
// scanner; variances from a few levels (ties), some missing, NaN or -0.0.
ScanStore randomStore(const RandomCase& c, SensorCalib& calib) {
  std::mt19937_64 random(c.seed);
  const auto roll = [&random](uint64_t sides) { return random() % sides; };
  std::vector<int16_t> raw(static_cast<size_t>(c.lines) * c.pointsPerLine);
  for (size_t i = 0; i < raw.size(); ++i) {
    const uint64_t kind = roll(20);
    if (kind == 0) {
      raw[i] = 0;
    } else if (kind == 1) {
      raw[i] = static_cast<int16_t>(40 + roll(40) * 200);  // 0.4 ... 78.4
    } else {
      raw[i] = static_cast<int16_t>(500 + (i / 37) % 7 * 40 + roll(5) * 3);
    }
  }
  ScanStore store = test::gridStore(
      c.lines, c.pointsPerLine, test::REGION_RANGE_UNIT,
      [&](int32_t l, int32_t s) { return raw[static_cast<size_t>(l) * c.pointsPerLine + s]; });
  std::vector<double> variance(raw.size());
  for (double& v : variance) {
    const uint64_t kind = roll(40);
    v = kind == 0   ? NO_VARIANCE
        : kind == 1 ? std::numeric_limits<double>::quiet_NaN()
        : kind == 2 ? -0.0
                    : 0.001 * static_cast<double>(roll(6));
  }
  store.varianceMap = std::move(variance);
  store.normalMap.emplace(raw.size(), Vec3{NO_NORMAL, NO_NORMAL, NO_NORMAL});
  calib = test::identityCalib();
  calib.rotation = RotX(static_cast<double>(roll(90)) * DEG_TO_RAD);
  calib.translation = {0.0, 0.0, static_cast<double>(roll(5)) - 2.0};
  return store;
}

class RandomRegions : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RandomRegions, ProductionEqualsLiteralBitForBit) {
  SensorCalib calib;
  ScanStore store = randomStore(GetParam(), calib);
  Outcome outcome;
  ASSERT_NO_FATAL_FAILURE(expectIdenticalToLiteral(store, calib, GetParam().params, outcome));
  EXPECT_GE(outcome.segments, GetParam().fewestSegments);
}

INSTANTIATE_TEST_SUITE_P(
    Grids, RandomRegions,
    ::testing::Values(RandomCase{"OneLine", 1, 181, 1, paramsWith(1, 1.0, 0.004), 0},
                      RandomCase{"TwoLines", 2, 361, 2, paramsWith(2, 1.0, 0.004), 1},
                      RandomCase{"ThreeLines", 3, 401, 3, SegmentParams{}, 1},
                      RandomCase{"FiveLines", 5, 181, 4, paramsWith(1, 0.5, 0.0), 1},
                      RandomCase{"Defaults", 40, 181, 5, SegmentParams{}, 5},
                      RandomCase{"LooseDistance", 30, 361, 6, paramsWith(10, 5.0, 0.004), 1},
                      RandomCase{"TightDistance", 30, 401, 7, paramsWith(4, 0.05, 0.01), 1},
                      RandomCase{"NoTolerance", 25, 181, 8, paramsWith(10, 1.0, 0.0), 1},
                      RandomCase{"WideTolerance", 25, 361, 9, paramsWith(10, 1.0, 1.0), 5},
                      RandomCase{"EveryRegionTooSmall", 20, 181, 10, paramsWith(100000, 1.0, 1.0),
                                 0},
                      RandomCase{"EveryRegionAccepted", 20, 181, 11, paramsWith(0, 1.0, 0.004), 5}),
    [](const auto& info) { return std::string(info.param.name); });

// Every valid sample is a region of its own (no distance passes) and a segment (one sample is
// enough): 10 860 candidates for 10 000 labels, in tied variance order.
TEST(RegionLimit, ProductionEqualsLiteralWhenTheRunStopsAtTheSegmentLimit) {
  constexpr int32_t lines = 60;
  ScanStore store =
      test::regionStore(lines, 181, test::rawWhere([](int32_t, int32_t) { return true; }),
                        [](int32_t l, int32_t s) { return 0.001 * ((l * 7 + s * 3) % 5); });
  Outcome outcome;
  ASSERT_NO_FATAL_FAILURE(
      expectIdenticalToLiteral(store, test::identityCalib(), paramsWith(1, -1.0, 0.004), outcome));
  EXPECT_EQ(outcome.segments, MAX_SEGMENTS);
  EXPECT_EQ(outcome.segmentSamples, MAX_SEGMENTS);
  EXPECT_EQ(outcome.unassigned, lines * 181u - MAX_SEGMENTS);
}

}  // namespace
}  // namespace quorvel
