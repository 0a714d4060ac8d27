// Whole scan lines built from chosen profiles, through segmentation and record making.
#include <gtest/gtest.h>

#include <cmath>

#include "segment/line_class.h"
#include "segment/line_classification.h"
#include "segment/line_segger.h"
#include "tests/segment/segmentation_view.h"
#include "tests/support/grid_store.h"
#include "tests/support/profile_store.h"

namespace quorvel {
namespace {

using test::ProfileSpan;
using test::Record;

constexpr uint8_t NONE = MASK_NO_LINE;
constexpr uint8_t LINE = LINE_CLASS_LINE;
constexpr uint8_t END = MASK_PIECE_END;

// The wall x = 5 of the scan plane.
ProfileSpan wall(int32_t first, int32_t last) {
  return {first, last, {5, 0}, {5, 1}};
}

std::vector<uint8_t> segmentedRow(const ScanStore& store) {
  LineWork work(store.pointsPerLine);
  std::vector<uint8_t> row(static_cast<size_t>(store.pointsPerLine));
  segmentScanLine(store, 0, work, row);
  return row;
}

std::vector<uint8_t> slice(const std::vector<uint8_t>& row, int32_t first, int32_t last) {
  return {row.begin() + first, row.begin() + last + 1};
}

TEST(ScanLineSegmentation, StraightWallBecomesOnePieceAndLoneSampleStaysNoLine) {
  const ScanStore store =
      test::profileStore(181, {{wall(20, 40), {41, 41, {15, 0}, {15, 1}}, wall(42, 60)}});
  const std::vector<uint8_t> row = segmentedRow(store);
  EXPECT_EQ(row[19], MASK_NO_POINT);
  EXPECT_EQ(row[20], END);
  EXPECT_EQ(slice(row, 21, 39), std::vector<uint8_t>(19, LINE));
  EXPECT_EQ(row[40], END);
  EXPECT_EQ(row[41], NONE);
  EXPECT_EQ(row[42], END);
  EXPECT_EQ(row[60], END);
}

class ShortRun : public ::testing::TestWithParam<int32_t> {};

// A straight piece needs four samples of range above 0.5 among its start and interior.
TEST_P(ShortRun, FewerThanFiveSamplesGiveNoPiece) {
  const int32_t n = GetParam();
  const ScanStore store = test::profileStore(181, {{wall(50, 50 + n - 1)}});
  const std::vector<uint8_t> row = segmentedRow(store);
  std::vector<uint8_t> expected(static_cast<size_t>(n), NONE);
  if (n >= 5) {
    expected.assign(static_cast<size_t>(n), LINE);
    expected.front() = expected.back() = END;
  }
  EXPECT_EQ(slice(row, 50, 50 + n - 1), expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ShortRun, ::testing::Values(2, 3, 4, 5, 6));

// Samples 50 ... 53 on the wall x = 5, 54 on x = 5.2, then a zigzag between x = 5.5 and 5.2:
// the split leaves 50 ... 53 a piece too small to keep, which must not grow to 54 by extension.
TEST(ScanLineSegmentation, DroppedSmallPieceDoesNotGrow) {
  test::LineProfile profile = {wall(50, 53)};
  for (int32_t s = 54; s <= 60; ++s) {
    const double x = s % 2 ? 5.5 : 5.2;
    profile.push_back({s, s, {x, 0}, {x, 1}});
  }
  const std::vector<uint8_t> row = segmentedRow(test::profileStore(181, {profile}));
  EXPECT_EQ(slice(row, 50, 60), std::vector<uint8_t>(11, NONE));
}

// Five samples near range 0.5: the start counts only with a range above 0.5.
TEST(ScanLineSegmentation, SizeCountsOnlyRangesAboveHalf) {
  for (const int16_t startRaw : {int16_t(500), int16_t(501)}) {
    const ScanStore store = test::gridStore(1, 181, 1000.0f, [&](int32_t, int32_t s) {
      if (s < 10 || s > 14) return int16_t(0);
      return s == 10 ? startRaw : s == 14 ? int16_t(500) : int16_t(501);
    });
    const std::vector<uint8_t> piece = {END, LINE, LINE, LINE, END};
    const std::vector<uint8_t> none(5, NONE);
    EXPECT_EQ(slice(segmentedRow(store), 10, 14), startRaw == 500 ? none : piece)
        << "start raw " << startRaw;
  }
}

// A radial zigzag whose halves deviate from their chords more than the run from its own.
TEST(ScanLineSegmentation, RejectedFiveSampleRunHasNoLineSample) {
  const ScanStore store = test::gridStore(1, 181, 1000.0f, [](int32_t, int32_t s) {
    const int16_t zigzag[5] = {10000, 9810, 10200, 9810, 10000};
    return s >= 50 && s <= 54 ? zigzag[s - 50] : int16_t(0);
  });
  EXPECT_EQ(slice(segmentedRow(store), 50, 54), std::vector<uint8_t>(5, NONE));
}

TEST(ScanLineSegmentation, SampleWithoutPointInsideARunSplitsIt) {
  ScanStore store = test::profileStore(181, {{wall(20, 60)}});
  (*store.lines)[0].range[40] = 0;
  const std::vector<uint8_t> row = segmentedRow(store);
  EXPECT_EQ(row[40], MASK_NO_POINT);
  EXPECT_EQ(row[20], END);
  EXPECT_EQ(row[39], END);
  EXPECT_EQ(row[41], END);
  EXPECT_EQ(row[60], END);
  EXPECT_EQ(slice(row, 21, 38), std::vector<uint8_t>(18, LINE));
  EXPECT_EQ(slice(row, 42, 59), std::vector<uint8_t>(18, LINE));
}

// A 45-degree wall (y = x - 2) with no return at samples 24 and 25. The first becomes a split
// point; seen from it, the second lies on the chord, so it ends up inside the right piece and
// keeps mask 0, which leaves that piece without a record and its end point a stray 5.
TEST(ScanLineSegmentation, SampleWithoutPointCanLieInsideADiagonalPiece) {
  ScanStore store = test::profileStore(181, {{{20, 32, {2, 0}, {3, 1}}}});
  (*store.lines)[0].range[24] = (*store.lines)[0].range[25] = 0;
  ASSERT_EQ(segmentLines(store, test::uprightCalib(), ParallelOptions{1}), 1);
  EXPECT_EQ(test::recordsOf((*store.lineSegmentLists)[0]), (std::vector<Record>{{20, 24, LINE}}));
  const std::span<const uint8_t> row = test::maskRow(store, 0);
  const std::vector<uint8_t> expected = {LINE, LINE, LINE, LINE, LINE, MASK_NO_POINT, LINE, LINE,
                                         LINE, LINE, LINE, LINE, END};
  EXPECT_EQ(std::vector<uint8_t>(row.begin() + 20, row.begin() + 33), expected);
  freeScanStore(store);
}

// A roof of two slopes, neither road nor vertical, meeting near sample 59.
TEST(ScanLineSegmentation, PiecesSharingAnEndPointGiveTwoRecords) {
  ScanStore store =
      test::profileStore(181, {{{20, 59, {6, 2}, {3, 5}}, {60, 110, {3, 5}, {-3, 8}}}});
  ASSERT_EQ(segmentLines(store, test::uprightCalib(), ParallelOptions{1}), 1);
  const std::vector<Record> records = test::recordsOf((*store.lineSegmentLists)[0]);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (Record{20, 59, LINE}));
  EXPECT_EQ(records[1], (Record{59, 110, LINE}));
  const std::span<const uint8_t> row = test::maskRow(store, 0);
  for (int32_t s = 20; s <= 110; ++s) EXPECT_EQ(row[s], LINE) << "sample " << s;
  freeScanStore(store);
}

}  // namespace
}  // namespace quorvel
