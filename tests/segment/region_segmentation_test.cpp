// Region growth on hand-made grids: seeds, thresholds, the window's lower bounds, region sizes,
// boundary counts, the segment limit and the stage's preconditions. Every grid small enough is
// also checked against the literal algorithm.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/headless/headless_platform.h"
#include "scan/point_reconstruction.h"
#include "scan/segment_lookup.h"
#include "segment/region_segmentation.h"
#include "tests/reference/region_reference.h"
#include "tests/segment/region_scan.h"

namespace quorvel {
namespace {

using test::constantVariance;
using test::rawWhere;
using test::regionStore;

constexpr int16_t P = 181;

// Runs the stage and, for small grids, checks the literal algorithm gives the same buffers.
void segment(ScanStore& store, const SegmentParams& params = SegmentParams{}) {
  const SensorCalib calib = test::identityCalib();
  ASSERT_EQ(segmentRegions(store, calib, params), 1);
  if (store.lineCount * store.pointsPerLine > 20000) return;
  std::vector<uint16_t> labels;
  std::vector<SegmentRecord> table;
  reference::literalRegions(store, calib, params, labels, table);
  EXPECT_EQ(*store.labelMap, labels);
  EXPECT_TRUE(reference::identicalTables(*store.segmentTable, table));
}

uint16_t labelAt(const ScanStore& store, int32_t l, int32_t s) {
  return (*store.labelMap)[static_cast<size_t>(s) * store.lineCount + l];
}

// Valid samples on scan line 1 only, sample columns first ... last.
ScanStore stripStore(int32_t first, int32_t last, double variance = 0.5) {
  return regionStore(
      3, P, rawWhere([=](int32_t l, int32_t s) { return l == 1 && s >= first && s <= last; }),
      constantVariance(variance));
}

TEST(RegionGrowth, LoneSeedIsRejectedAsOneSampleRegion) {
  ScanStore store = regionStore(9, P, rawWhere([](int32_t l, int32_t s) {
                                  return (l == 4 && s == 50) || (l == 1 && s == 60);
                                }),
                                constantVariance(0.001));
  segment(store);
  EXPECT_EQ(labelAt(store, 4, 50), NO_SEGMENT);
  EXPECT_EQ(labelAt(store, 1, 60), NO_SEGMENT);
  EXPECT_EQ(segmentOfSample(store, 4, 50), nullptr);
}

struct StripCase {
  int32_t first, last;
  bool accepted;
};

class RegionSize : public ::testing::TestWithParam<StripCase> {};

TEST_P(RegionSize, TooSmallRegionsLoseEverySampleSeedIncluded) {
  const StripCase c = GetParam();
  ScanStore store = stripStore(c.first, c.last);
  segment(store);
  for (int32_t s = c.first; s <= c.last; ++s) {
    EXPECT_EQ(labelAt(store, 1, s), c.accepted ? 0 : NO_SEGMENT) << "sample " << s;
  }
  if (c.accepted) {
    EXPECT_EQ((*store.segmentTable)[0].pointNum, c.last - c.first + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(NineAndTen, RegionSize,
                         ::testing::Values(StripCase{20, 28, false}, StripCase{20, 29, true},
                                           StripCase{0, 8, false}, StripCase{0, 9, true}));

TEST(RegionGrowth, NeighbourVarianceEqualToTheThresholdPassesIt) {
  SegmentParams params;
  params.varianceTol = 0.0;  // T is the mean, 0.5, exactly
  ScanStore equal = stripStore(10, 21);
  segment(equal, params);
  EXPECT_EQ(labelAt(equal, 1, 21), 0);
  EXPECT_EQ((*equal.segmentTable)[0].pointNum, 12);

  params.varianceTol = -std::ldexp(1.0, -30);  // T just below every variance
  ScanStore below = stripStore(10, 21);
  segment(below, params);
  for (int32_t s = 10; s <= 21; ++s) EXPECT_EQ(labelAt(below, 1, s), NO_SEGMENT);
}

TEST(RegionGrowth, DistanceEqualToMaxPointDistPasses) {
  // Two runs of six samples on line 1 with a step in range between them.
  const auto raw = [](int32_t l, int32_t s) -> int16_t {
    if (l != 1 || s < 10 || s > 21) return 0;
    return s <= 15 ? 1000 : 1040;
  };
  const SensorCalib calib = test::identityCalib();
  ScanStore probe = regionStore(3, P, raw, constantVariance(0.5));
  Vec3 p, q;
  ASSERT_TRUE(SampleToWorldPoint(probe, calib, 1, 15, p));
  ASSERT_TRUE(SampleToWorldPoint(probe, calib, 1, 16, q));
  SegmentParams params;
  params.maxPointDist = vec3Distance(q, p);
  ASSERT_GT(params.maxPointDist, 0.3);
  segment(probe, params);
  EXPECT_EQ(labelAt(probe, 1, 10), 0);
  EXPECT_EQ(labelAt(probe, 1, 21), 0);

  params.maxPointDist = std::nextafter(params.maxPointDist, 0.0);
  ScanStore apart = regionStore(3, P, raw, constantVariance(0.5));
  segment(apart, params);
  EXPECT_EQ(labelAt(apart, 1, 10), NO_SEGMENT);
  EXPECT_EQ(labelAt(apart, 1, 21), NO_SEGMENT);
}

TEST(RegionGrowth, ColumnZeroAndLineZeroJoinOnlyAsSeeds) {
  ScanStore store = regionStore(
      6, P, rawWhere([](int32_t l, int32_t s) { return l <= 4 && s <= 4; }), constantVariance(0.5));
  segment(store);
  EXPECT_EQ(labelAt(store, 0, 0), 0);  // the seed
  for (int32_t i = 1; i <= 4; ++i) {
    EXPECT_EQ(labelAt(store, 0, i), NO_SEGMENT) << "line 0, sample " << i;
    EXPECT_EQ(labelAt(store, i, 0), NO_SEGMENT) << "sample 0, line " << i;
    for (int32_t j = 1; j <= 4; ++j) EXPECT_EQ(labelAt(store, i, j), 0);
  }
  EXPECT_EQ((*store.segmentTable)[0].pointNum, 17);
}

struct TieCase {
  const char* name;
  int32_t lineA, sampleA, lineB, sampleB;  // corners of two 2 x 5 blocks
  double varianceA, varianceB;
  uint16_t labelOfA;
};

class SeedOrder : public ::testing::TestWithParam<TieCase> {};

TEST_P(SeedOrder, LowestVarianceThenLowerSampleColumnThenLowerLineIsSegmentZero) {
  const TieCase c = GetParam();
  const auto inBlock = [](int32_t l, int32_t s, int32_t l0, int32_t s0) {
    return l >= l0 && l < l0 + 2 && s >= s0 && s < s0 + 5;
  };
  ScanStore store =
      regionStore(12, P, rawWhere([&](int32_t l, int32_t s) {
                    return inBlock(l, s, c.lineA, c.sampleA) || inBlock(l, s, c.lineB, c.sampleB);
                  }),
                  [&](int32_t l, int32_t s) {
                    return inBlock(l, s, c.lineA, c.sampleA) ? c.varianceA : c.varianceB;
                  });
  segment(store);
  EXPECT_EQ(labelAt(store, c.lineA, c.sampleA), c.labelOfA);
  EXPECT_EQ(labelAt(store, c.lineB, c.sampleB), 1 - c.labelOfA);
}

INSTANTIATE_TEST_SUITE_P(
    Ties, SeedOrder,
    ::testing::Values(TieCase{"LowerColumnFirst", 8, 10, 1, 20, 0.01, 0.01, 0},
                      TieCase{"LowerLineFirst", 8, 10, 1, 10, 0.01, 0.01, 1},
                      TieCase{"LowerVarianceFirst", 8, 10, 1, 10, 0.01, 0.005, 1},
                      TieCase{"LowerVarianceBeatsColumn", 8, 20, 1, 10, 0.005, 0.01, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A NaN variance is never smaller than another, and no other is smaller than it: such a sample
// is the seed only while it is the lowest unassigned index, and then, unable to pass the
// region on, it is a rejected one-sample region. Elsewhere it can only join a region.
TEST(RegionGrowth, NanVarianceSampleIsSeedOnlyAsTheLowestUnassignedIndex) {
  const double nan = std::nan("");
  const auto inA = [](int32_t l, int32_t s) { return l >= 2 && l < 6 && s >= 10 && s < 14; };
  const auto inB = [](int32_t l, int32_t s) { return l >= 2 && l < 6 && s >= 30 && s < 38; };
  ScanStore store =
      regionStore(9, P, rawWhere([&](int32_t l, int32_t s) { return inA(l, s) || inB(l, s); }),
                  [&](int32_t l, int32_t s) {
                    if ((l == 2 && s == 10) || (l == 4 && s == 36)) return nan;
                    return inA(l, s) ? 0.01 : 0.005;
                  });
  segment(store);
  EXPECT_EQ(labelAt(store, 2, 10), NO_SEGMENT);  // the lowest index: the first seed
  EXPECT_EQ(labelAt(store, 4, 36), 0);           // joins the block of lower variance
  EXPECT_EQ(labelAt(store, 3, 11), 1);
  EXPECT_EQ((*store.segmentTable)[0].pointNum, 32);
  EXPECT_EQ((*store.segmentTable)[1].pointNum, 15);
}

struct BlockCase {
  int32_t columns, lines, boundary;
};

class BoundaryCount : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BoundaryCount, OnlyMembersWithMoreThanSixMemberNeighboursAreInner) {
  const BlockCase c = GetParam();
  ScanStore store = regionStore(12, P, rawWhere([&](int32_t l, int32_t s) {
                                  return s >= 30 && s < 30 + c.columns && l >= 3 && l < 3 + c.lines;
                                }),
                                constantVariance(0.01));
  segment(store);
  const SegmentRecord* segment = segmentOfSample(store, 3, 30);
  ASSERT_NE(segment, nullptr);
  EXPECT_EQ(segment->pointNum, c.columns * c.lines);
  EXPECT_EQ(segment->boundaryPt, c.boundary);
}

INSTANTIATE_TEST_SUITE_P(Blocks, BoundaryCount,
                         ::testing::Values(BlockCase{3, 4, 10}, BlockCase{2, 6, 12},
                                           BlockCase{5, 5, 16}));

TEST(RegionGrowth, SegmentLimitStopsAtTenThousandAndLeavesTheRestUnassigned) {
  // Regions of one sample column by ten scan lines, apart by a column and a line without
  // returns: 200 columns x 51 bands = 10 200 regions.
  constexpr int16_t wide = 401;
  constexpr int32_t bands = 51, lines = bands * 11 + 1;
  ScanStore store = regionStore(
      lines, wide, rawWhere([](int32_t l, int32_t s) { return s % 2 == 1 && l % 11 != 0; }),
      constantVariance(0.01));
  segment(store);
  size_t labelled = 0, unassigned = 0;
  uint16_t highest = 0;
  for (uint16_t v : *store.labelMap) {
    if (v < MAX_SEGMENTS) {
      labelled += 1;
      highest = std::max(highest, v);
    }
    unassigned += v == UNASSIGNED;
  }
  EXPECT_EQ(highest, MAX_SEGMENTS - 1);
  EXPECT_EQ(labelled, 10u * MAX_SEGMENTS);
  EXPECT_EQ(unassigned, 10u * (200 * bands - MAX_SEGMENTS));
  EXPECT_EQ((*store.segmentTable)[MAX_SEGMENTS - 1].pointNum, 10);
  EXPECT_EQ((*store.segmentTable)[MAX_SEGMENTS - 1].label, MAX_SEGMENTS - 1);
}

TEST(RegionStage, SecondRunKeepsTheResultWhateverTheParameters) {
  ScanStore store = stripStore(10, 30);
  segment(store);
  const std::vector<uint16_t> labels = *store.labelMap;
  const SegmentRecord first = (*store.segmentTable)[0];
  SegmentParams changed;
  changed.minRegionSize = 1000;
  changed.maxPointDist = 0.0;
  ASSERT_EQ(segmentRegions(store, test::identityCalib(), changed), 1);
  EXPECT_EQ(*store.labelMap, labels);
  EXPECT_TRUE(reference::identicalRecords((*store.segmentTable)[0], first));
}

TEST(RegionStage, NeedsBothSurfaceBuffersOfTheGridAndMakesNothingWithoutThem) {
  for (int missing = 0; missing < 3; ++missing) {
    ScanStore store = stripStore(10, 30);
    if (missing == 0) store.varianceMap.reset();
    if (missing == 1) store.normalMap.reset();
    if (missing == 2) store.varianceMap->pop_back();  // made for another grid
    const size_t messages = shownStageMessages().size();
    EXPECT_EQ(segmentRegions(store, test::identityCalib(), SegmentParams{}), 0);
    EXPECT_FALSE(store.labelMap);
    EXPECT_FALSE(store.segmentTable);
    EXPECT_EQ(shownStageMessages().size(), messages);
  }
}

TEST(RegionStage, ScanWithoutLinesGivesAnEmptyLabelMap) {
  ScanStore store =
      regionStore(0, P, rawWhere([](int32_t, int32_t) { return true; }), constantVariance(0.0));
  segment(store);
  EXPECT_TRUE(store.labelMap->empty());
  EXPECT_EQ(store.segmentTable->size(), MAX_SEGMENTS);
  EXPECT_EQ(segmentOfSample(store, 0, 0), nullptr);
}

TEST(RegionStage, FinishedLabelMapHoldsOnlyLabelsNoSegmentAndUnassigned) {
  ScanStore store =
      regionStore(10, P, rawWhere([](int32_t l, int32_t s) { return (l * 7 + s * 3) % 5 != 0; }),
                  [](int32_t l, int32_t s) { return 0.001 * ((l * 13 + s * 7) % 11); });
  segment(store);
  for (uint16_t v : *store.labelMap) EXPECT_TRUE(v < MAX_SEGMENTS || v == NO_SEGMENT) << v;
}

struct RangeCase {
  int32_t l, s;
  int16_t raw;
  int expected;
};

class SampleRangeCheck : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SampleRangeCheck, InsideTheGridWritesTheRangeOutsideLeavesIt) {
  const RangeCase c = GetParam();
  ScanStore store = regionStore(
      4, P, [&](int32_t, int32_t) { return c.raw; }, constantVariance(0.0));
  double range = -7.0;
  EXPECT_EQ(SampleRange(store, c.l, c.s, range), c.expected);
  const bool inside = c.l >= 0 && c.l < 4 && c.s >= 0 && c.s < P;
  EXPECT_EQ(range, inside ? c.raw / 100.0 : -7.0);
}

INSTANTIATE_TEST_SUITE_P(Bounds, SampleRangeCheck,
                         ::testing::Values(RangeCase{0, 0, 1000, 1}, RangeCase{3, 180, 50, 1},
                                           RangeCase{3, 180, 6000, 1}, RangeCase{1, 1, 49, 0},
                                           RangeCase{1, 1, 6001, 0}, RangeCase{-1, 0, 1000, 0},
                                           RangeCase{4, 0, 1000, 0}, RangeCase{0, -1, 1000, 0},
                                           RangeCase{0, 181, 1000, 0}));

TEST(SegmentLookup, FindsNothingBeforeSegmentationAndOutsideTheGrid) {
  ScanStore store = stripStore(10, 30);
  EXPECT_EQ(segmentOfSample(store, 1, 20), nullptr);
  segment(store);
  ASSERT_NE(segmentOfSample(store, 1, 20), nullptr);
  for (const auto& [l, s] : std::vector<std::pair<int64_t, int64_t>>{
           {-1, 20}, {3, 20}, {1, -1}, {1, 181}, {1, 1000000}, {-1, -1}}) {
    EXPECT_EQ(segmentOfSample(store, l, s), nullptr) << l << ", " << s;
  }
}

}  // namespace
}  // namespace quorvel
