// The cutting of one scan line's points into runs and straight pieces.
#include <gtest/gtest.h>

#include <cmath>

#include "segment/line_segger.h"
#include "tests/segment/line_work_builder.h"

namespace quorvel {
namespace {

using test::NO_RETURN;
using test::workAlong;
using test::workWithOffsets;

constexpr int32_t I = INTERIOR_MARK;
constexpr int32_t R = REJECTED_MARK;

// Sample 0 and sample `gap` close together, nothing between; sample gap + 1 follows closely.
class RunGap : public ::testing::TestWithParam<int32_t> {};

TEST_P(RunGap, GapsAboveFourColumnsEndTheRun) {
  const int32_t gap = GetParam();
  std::vector<Vec2> points(static_cast<size_t>(gap) + 2, NO_RETURN);
  points[0] = {10, 0};
  points[gap] = {10, 0.5};
  points[gap + 1] = {10, 0.6};
  const LineWork work = workAlong(points);
  int32_t start = 0, end = -1;
  ASSERT_EQ(nextRun(work, start, end), 1);
  EXPECT_EQ(start, gap <= MAX_RUN_GAP ? 0 : gap);
  EXPECT_EQ(end, gap + 1);
}

INSTANTIATE_TEST_SUITE_P(Gaps, RunGap, ::testing::Values(1, 3, 4, 5, 6));

struct BreakCase {
  int32_t gap;
  double range;     // of the later sample
  double distance;  // between the two samples
  bool connected;
};

class Breakpoint : public ::testing::TestWithParam<BreakCase> {};

// The threshold is MIN_BREAK_DIST up to a range that falls as the gap grows; with a gap of 4 it
// is about 2.02 at range 30.
TEST_P(Breakpoint, ThresholdGrowsWithRangeAndGap) {
  const BreakCase& c = GetParam();
  std::vector<Vec2> points(static_cast<size_t>(c.gap) + 1, NO_RETURN);
  points[0] = {c.range + c.distance, 0};
  points[c.gap] = {c.range, 0};
  const LineWork work = workAlong(points);
  int32_t start = 0, end = -1;
  EXPECT_EQ(nextRun(work, start, end), c.connected ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, Breakpoint,
    ::testing::Values(BreakCase{4, 10, 1.0, true}, BreakCase{4, 10, 1.0000001, false},
                      BreakCase{4, 30, 2.02, true}, BreakCase{4, 30, 2.03, false},
                      BreakCase{1, 30, 1.0, true}, BreakCase{1, 30, 1.01, false},
                      BreakCase{1, 59, 1.0, true}, BreakCase{1, 60, 1.01, true}));

TEST(NextRun, LoneSampleBetweenBreakpointsStartsNoRun) {
  const LineWork work = workAlong({{10, 0}, {20, 0}, {20, 0.1}, {30, 0}, {40, 0}});
  int32_t start = 0, end = -1;
  ASSERT_EQ(nextRun(work, start, end), 1);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 2);
  start = end + 1;
  EXPECT_EQ(nextRun(work, start, end), 0);
}

TEST(NextRun, NoValidSampleGivesNoRun) {
  const LineWork work = workAlong({NO_RETURN, NO_RETURN, NO_RETURN});
  int32_t start = 0, end = -1;
  EXPECT_EQ(nextRun(work, start, end), 0);
  start = 3;
  EXPECT_EQ(nextRun(workAlong({}), start, end), 0);
}

TEST(SplitRun, TwoOrThreeSamplesMarkNothing) {
  for (const std::vector<double>& y : {std::vector<double>{0, 5}, {0, 5, 0}}) {
    LineWork work = workWithOffsets(y);
    splitRun(work, 0, static_cast<int32_t>(y.size()) - 1);
    EXPECT_EQ(work.pieceMark, std::vector<int32_t>(y.size(), 0));
  }
}

TEST(SplitRun, CollinearSamplesFormOnePieceReportingTheTolerance) {
  LineWork work = workWithOffsets({2, 2, 2, 2, 2, 2});
  EXPECT_EQ(splitRun(work, 0, 5), SPLIT_TOL);
  EXPECT_EQ(work.pieceMark, (std::vector<int32_t>{0, I, I, I, I, 0}));
}

// The middle sample of a 9-sample run lies off the chord by exactly 0.1: that splits the run
// into two straight halves sharing it; just below 0.1 it stays one piece.
TEST(SplitRun, DeviationOfExactlyTheToleranceSplits) {
  const double justBelow = std::nextafter(SPLIT_TOL, 0.0);
  LineWork split = workWithOffsets({0, 0, 0, 0, SPLIT_TOL, 0, 0, 0, 0});
  EXPECT_LT(splitRun(split, 0, 8), SPLIT_TOL);
  EXPECT_EQ(split.pieceMark, (std::vector<int32_t>{0, I, I, I, 0, I, I, I, 0}));
  LineWork straight = workWithOffsets({0, 0, 0, 0, justBelow, 0, 0, 0, 0});
  EXPECT_EQ(splitRun(straight, 0, 8), justBelow);
  EXPECT_EQ(straight.pieceMark, (std::vector<int32_t>{0, I, I, I, I, I, I, I, 0}));
}

// The split at sample 4 helps because its left half is straight, though the right half (three
// samples, never split) deviates from its chord more than the whole run.
TEST(SplitRun, OneStraightHalfKeepsTheSplit) {
  LineWork work = workWithOffsets({0, 0.25, 0.5, 0.75, 1.0, -0.9, 0});
  EXPECT_LE(splitRun(work, 0, 6), SPLIT_TOL);
  EXPECT_EQ(work.pieceMark, (std::vector<int32_t>{0, I, I, I, 0, 0, 0}));
}

// Sample 2 lies 1.0 off the run's chord, and the left half's middle sample exactly 1.0 off its
// own (vertical) chord: a split no better than the whole run is rejected.
TEST(SplitRun, SplitNoBetterThanTheWholeIsRejected) {
  LineWork work = workAlong({{0, 0}, {-1, 0}, {0, 1}, {2, -0.9}, {4, 0}});
  EXPECT_EQ(splitRun(work, 0, 4), 1.0);
  EXPECT_EQ(work.pieceMark, (std::vector<int32_t>{0, R, R, R, 0}));
}

// A zigzag of 5 samples: the middle is farthest from the run's chord (0.2), but each 3-sample
// half deviates more from its own chord, so the split is rejected.
TEST(SplitRun, FiveSampleZigzagIsRejected) {
  LineWork work = workWithOffsets({0, -0.19, 0.2, -0.19, 0});
  EXPECT_EQ(splitRun(work, 0, 4), 0.2);
  EXPECT_EQ(work.pieceMark, (std::vector<int32_t>{0, R, R, R, 0}));
}

TEST(SplitRun, InvalidSampleBecomesASplitPoint) {
  std::vector<Vec2> points;
  for (int s = 0; s < 11; ++s) points.push_back({5, 1 + 0.2 * s});
  points[5] = NO_RETURN;
  LineWork work = workAlong(points);
  splitRun(work, 0, 10);
  EXPECT_NE(work.pieceMark[5], I);
  EXPECT_EQ(work.pieceMark[2], I);
  EXPECT_EQ(work.pieceMark[8], I);
}

// A piece 0 ... 4 in a run 0 ... 9; what the forward extension makes of it.
std::vector<int32_t> extendedForward(const std::vector<double>& y) {
  LineWork work = workWithOffsets(y);
  for (int32_t s = 1; s <= 3; ++s) work.pieceMark[s] = I;
  extendPieces(work, 0, 9);
  return work.pieceMark;
}

TEST(ExtendPieces, ExactlyCollinearChordStopsTheExtension) {
  EXPECT_EQ(extendedForward({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
            (std::vector<int32_t>{0, I, I, I, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(extendedForward({0, 0, 0.001, 0, 0, 0, 0, 0, 0, 0}),
            (std::vector<int32_t>{0, I, I, I, I, I, I, 0, 0, 0}));
}

// Forward extensions never take the run's last two samples.
TEST(ExtendPieces, ChordDeviationOfExactlyTwiceTheToleranceIsRefused) {
  const double justBelow = std::nextafter(EXTEND_TOL, 0.0);
  EXPECT_EQ(extendedForward({0, 0, EXTEND_TOL, 0, 0, 0, 0, 0, 0, 0}),
            (std::vector<int32_t>{0, I, I, I, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(extendedForward({0, 0, justBelow, 0, 0, 0, 0, 0, 0, 0}),
            (std::vector<int32_t>{0, I, I, I, I, I, I, 0, 0, 0}));
}

TEST(ExtendPieces, BackwardExtensionNeverTakesTheRunStart) {
  LineWork work = workWithOffsets({0, 0, 0, 0, 0, 0, 0.01, 0, 0, 0, 0, 0});
  for (int32_t s = 5; s <= 7; ++s) work.pieceMark[s] = I;
  extendPieces(work, 0, 11);
  EXPECT_EQ(work.pieceMark, (std::vector<int32_t>{0, 0, I, I, I, I, I, I, I, 0, 0, 0}));
}

TEST(ExtendPieces, NeighbouringPiecesDoNotMerge) {
  LineWork work = workWithOffsets({0, 0, 0.01, 0, 0, 0, 0, 0, 0.01, 0, 0, 0, 0, 0});
  for (int32_t s : {1, 2, 3, 7, 8, 9}) work.pieceMark[s] = I;
  extendPieces(work, 0, 13);
  EXPECT_EQ(work.pieceMark, (std::vector<int32_t>{0, I, I, I, I, 0, 0, I, I, I, I, 0, 0, 0}));
}

}  // namespace
}  // namespace quorvel
