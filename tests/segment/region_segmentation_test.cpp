// The region segmentation against the literal one, LabelMap and every SegmentRecord field bit
// for bit, on random grids with other parameters and on hand-made grids at the limits of the
// rules; the stage's preconditions; lookups at the grid's edges; class codes at their limits.
#include "segment/region_segmentation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/headless/headless_platform.h"
#include "scan/point_reconstruction.h"
#include "scan/segment_lookup.h"
#include "segment/segment_class.h"
#include "tests/reference/region_reference.h"
#include "tests/segment/region_scan.h"

namespace quorvel {
namespace {

using test::Block;

// Runs both paths on the store, which holds its surface buffers.
void expectIdenticalToLiteral(ScanStore& store, const SensorCalib& calib,
                              const SegmentParams& params) {
  std::vector<uint16_t> labels;
  std::vector<SegmentRecord> table;
  reference::literalRegions(store, calib, params, labels, table);
  ASSERT_EQ(segmentRegions(store, calib, params, {}), 1);
  EXPECT_TRUE(*store.labelMap == labels);
  EXPECT_TRUE(reference::identicalTables(*store.segmentTable, table));
}

SegmentParams with(int32_t minRegionSize, double maxPointDist, double varianceTol) {
  SegmentParams params;
  params.minRegionSize = minRegionSize;
  params.maxPointDist = maxPointDist;
  params.varianceTol = varianceTol;
  return params;
}

// A drifting surface with holes, cliffs and ranges outside 0.5 ... 60, seen through a tilted
// scanner; variances from a few levels (ties), some missing, NaN or -0.0.
TEST(RegionOracle, RandomGrids) {
  const struct {
    int32_t lines, P, minRegionSize;
    double maxPointDist, varianceTol;
  } cases[] = {{1, 181, 1, 1.0, 0.004},     {2, 361, 2, 1.0, 0.004},   {3, 401, 10, 1.0, 0.004},
               {5, 181, 1, 0.5, 0.0},       {40, 181, 10, 1.0, 0.004}, {30, 361, 10, 5.0, 0.004},
               {30, 401, 4, 0.05, 0.01},    {25, 181, 10, 1.0, 0.0},   {25, 361, 10, 1.0, 1.0},
               {20, 181, 100000, 1.0, 1.0}, {20, 181, 0, 1.0, 0.004}};
  std::mt19937_64 random(1);
  const auto roll = [&random](uint64_t sides) { return random() % sides; };
  for (const auto& c : cases) {
    std::vector<int16_t> raw(static_cast<size_t>(c.lines) * c.P);
    for (size_t i = 0; i < raw.size(); ++i) {
      const uint64_t kind = roll(20);
      raw[i] = static_cast<int16_t>(kind == 0   ? 0
                                    : kind == 1 ? 40 + roll(40) * 200  // 0.4 ... 78.4
                                                : 500 + (i / 37) % 7 * 40 + roll(5) * 3);
    }
    ScanStore store = test::gridStore(c.lines, int16_t(c.P), 100.0f, [&](int32_t l, int32_t s) {
      return raw[static_cast<size_t>(l) * c.P + s];
    });
    store.varianceMap.emplace(raw.size());
    for (double& v : *store.varianceMap) {
      const uint64_t kind = roll(40);
      v = kind == 0 ? NO_VARIANCE : kind == 1 ? NAN : kind == 2 ? -0.0 : 0.001 * double(roll(6));
    }
    store.normalMap.emplace(raw.size(), Vec3{NO_NORMAL, NO_NORMAL, NO_NORMAL});
    SensorCalib calib = test::identityCalib();
    calib.rotation = RotX(static_cast<double>(roll(90)) * DEG_TO_RAD);
    calib.translation = {0.0, 0.0, static_cast<double>(roll(5)) - 2.0};
    expectIdenticalToLiteral(store, calib, with(c.minRegionSize, c.maxPointDist, c.varianceTol));
  }
}

// Lone seeds; strips of 9 and 10 samples; a neighbour variance equal to the threshold and just
// above it; a distance equal to maxPointDist and just above it; a block at line and sample 0
// (which join only as seeds); seeds tied in variance (then the lower sample, then the lower
// line wins); NaN variances (a seed only as the lowest unassigned index); blocks whose members
// have six and more member neighbours; every sample a segment of its own, at the segment limit.
TEST(RegionOracle, HandMadeGridsAtTheLimitsOfTheRules) {
  const std::vector<Block> step = {{1, 10, 1, 6, 0.5}, {1, 16, 1, 6, 0.5, 1040}};
  Vec3 p, q;
  ScanStore probe = test::blockStore(3, step);
  ASSERT_TRUE(SampleToWorldPoint(probe, test::identityCalib(), 1, 15, p) &&
              SampleToWorldPoint(probe, test::identityCalib(), 1, 16, q));
  const double distance = vec3Distance(q, p);
  const struct {
    int32_t lines;
    std::vector<Block> blocks;
    SegmentParams params;
  } cases[] = {
      {9, {{4, 50, 1, 1, 0.001}, {1, 60, 1, 1, 0.001}}, {}},
      {3, {{1, 20, 1, 9, 0.5}}, {}},
      {3, {{1, 20, 1, 10, 0.5}}, {}},
      {3, {{1, 10, 1, 12, 0.5}}, with(10, 1.0, 0.0)},
      {3, {{1, 10, 1, 12, 0.5}}, with(10, 1.0, -std::ldexp(1.0, -30))},
      {3, step, with(10, distance, 0.004)},
      {3, step, with(10, std::nextafter(distance, 0.0), 0.004)},
      {6, {{0, 0, 5, 5, 0.5}}, {}},
      {3, {{2, 10, 1, 12, 0.01}, {0, 11, 1, 1, 0.005}}, {}},  // line 0 only beside its seed
      {12, {{8, 10, 2, 5, 0.01}, {1, 20, 2, 5, 0.01}}, {}},
      {12, {{8, 10, 2, 5, 0.01}, {1, 10, 2, 5, 0.01}}, {}},
      {12, {{8, 10, 2, 5, 0.01}, {1, 10, 2, 5, 0.005}}, {}},
      {12, {{8, 20, 2, 5, 0.005}, {1, 10, 2, 5, 0.01}}, {}},
      {9, {{2, 10, 4, 4, 0.01}, {2, 30, 4, 8, 0.005}, {2, 10, 1, 1, NAN}, {4, 36, 1, 1, NAN}}, {}},
      {12, {{3, 30, 4, 3, 0.01}}, {}},
      {12, {{3, 30, 6, 2, 0.01}}, {}},
      {12, {{3, 30, 5, 5, 0.01}}, {}},
      {60, {{0, 0, 60, 181, 0.001}, {0, 0, 30, 181, 0.002}}, with(1, -1.0, 0.004)}};
  for (const auto& c : cases) {
    ScanStore store = test::blockStore(c.lines, c.blocks);
    expectIdenticalToLiteral(store, test::identityCalib(), c.params);
  }
}

// Without both surface buffers of the grid the stage makes nothing and shows nothing.
TEST(RegionStage, NeedsBothSurfaceBuffersOfTheGrid) {
  for (int missing = 0; missing < 3; ++missing) {
    ScanStore store = test::blockStore(3, {{1, 10, 1, 21, 0.5}});
    if (missing == 0) store.varianceMap.reset();
    if (missing == 1) store.normalMap.reset();
    if (missing == 2) store.varianceMap->pop_back();  // made for another grid
    const size_t messages = shownStageMessages().size();
    EXPECT_EQ(segmentRegions(store, test::identityCalib(), SegmentParams{}, {}), 0);
    EXPECT_FALSE(store.labelMap || store.segmentTable);
    EXPECT_EQ(shownStageMessages().size(), messages);
  }
}

// Ranges outside 0.5 ... 60 are invalid; indices outside the grid leave the range alone and
// find no segment, nor does a sample before the segmentation.
TEST(RegionLookups, RangesAndSegmentsAtTheGridsEdges) {
  for (const int16_t raw : {50, 6000, 49, 6001}) {
    const ScanStore store = test::blockStore(1, {{0, 0, 1, 181, 0.0, raw}});
    double range = -7.0;
    EXPECT_EQ(SampleRange(store, 0, 180, range), raw == 50 || raw == 6000) << raw;
    EXPECT_EQ(range, raw / 100.0);
  }
  ScanStore store = test::blockStore(3, {{1, 10, 1, 21, 0.5}});
  EXPECT_EQ(segmentOfSample(store, 1, 20), nullptr);
  ASSERT_EQ(segmentRegions(store, test::identityCalib(), SegmentParams{}, {}), 1);
  EXPECT_EQ(segmentOfSample(store, 1, 20), &(*store.segmentTable)[0]);
  for (const auto& [l, s] :
       std::vector<std::pair<int32_t, int32_t>>{{-1, 20}, {3, 20}, {1, -1}, {1, 181}, {-1, -1}}) {
    double range = -7.0;
    EXPECT_EQ(SampleRange(store, l, s, range), 0);
    EXPECT_EQ(range, -7.0);
    EXPECT_EQ(segmentOfSample(store, l, s), nullptr) << l << ", " << s;
  }
}

TEST(SegmentClass, CodesFollowTheRulesAtTheirBoundaries) {
  const struct {
    double nz, var, maxZ, width;
    int32_t pointNum, boundaryPt;
    uint8_t code;
  } cases[] = {{0.995, 0.0, 0.0, 1.0, 100, 10, 0},     {0.995, 0.0, 1e-9, 1.0, 100, 10, 1},
               {0.99, 0.0, 0.0, 1.0, 100, 10, 4},      {0.99, 0.0, -1.0, 4.0, 100, 10, 6},
               {0.1, 0.0, -1.0, 5.0, 100, 10, 7},      {0.1, 0.5, 0.0, 9.0, 100, 90, 4},
               {0.5, 0.0, -1.0, 4.999999, 100, 10, 6}, {0.5, 0.0, -1.0, 5.0, 100, 10, 7},
               {0.05, 0.199, 0.0, 1.0, 10, 10, 2},     {0.05, 0.199, -1e-9, 1.0, 10, 10, 3},
               {0.05, 0.2, -1.0, 1.0, 100, 10, 5},     {0.05, 0.2, 0.0, 1.0, 61, 18, 2},
               {0.05, 0.2, 0.0, 1.0, 60, 17, 4},       {0.05, 0.3, 1.0, 1.0, 100, 30, 4},
               {0.05, 0.3, 1.0, 1.0, 100, 29, 2},      {0.0, 0.0, 2.0, 1.0, 10, 10, 2}};
  for (const auto& c : cases) {
    for (double sign : {1.0, -1.0}) {
      SegmentRecord segment;
      segment.normal = {0.0, 0.0, sign * c.nz};
      segment.var = c.var;
      segment.maxPt = {0.0, 0.0, c.maxZ};
      segment.width = c.width;
      segment.pointNum = c.pointNum;
      segment.boundaryPt = c.boundaryPt;
      EXPECT_EQ(segmentClassCode(segment), c.code) << c.nz << " " << c.var << " " << c.maxZ;
      EXPECT_EQ(reference::LiteralRegions::classCode(segment), c.code);
    }
  }
}

}  // namespace
}  // namespace quorvel
