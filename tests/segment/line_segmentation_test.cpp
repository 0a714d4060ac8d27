// The line segmentation at the exact limits of its rules: run gaps, breakpoints, split and
// extension tolerances and tied chord offsets on chosen points; scan lines drawn from profiles
// (side views: the scan plane stands upright) through cutting, records and classification; the
// angle tests; thread-count independence.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <span>
#include <sstream>

#include "segment/chord_frame.h"
#include "segment/line_class.h"
#include "segment/line_classification.h"
#include "segment/line_segger.h"
#include "segment/line_segment_list.h"
#include "tests/support/grid_store.h"
#include "tests/support/profile_store.h"
#include "tests/support/simulated_scan.h"

namespace quorvel {
namespace {

using test::ProfileSpan;

// Mask bytes as digits; records as "first-last:class " each.
std::string digits(std::span<const uint8_t> bytes) {
  std::string text;
  for (uint8_t b : bytes) text += static_cast<char>('0' + b);
  return text;
}

std::string recordsText(const LineSegmentList& list) {
  std::string text;
  for (const LineSegment* r = list.get(); r; r = r->next.get()) {
    text += std::to_string(r->first) + "-" + std::to_string(r->last) + ":" +
            std::to_string(r->lineClass) + " ";
  }
  return text;
}

// Points (x[s] or s, y[s]), NO_POINT in y for none; piece marks from text: 'I' interior.
LineWork workWith(const std::vector<double>& y, const std::vector<double>& x = {},
                  const std::string& marks = "") {
  LineWork work(static_cast<int32_t>(y.size()));
  for (size_t s = 0; s < y.size(); ++s) {
    work.X[s] = y[s] == NO_POINT ? NO_POINT : x.empty() ? double(s) : x[s];
    work.Y[s] = y[s];
    work.pieceMark[s] = s < marks.size() && marks[s] == 'I' ? INTERIOR_MARK : FREE_MARK;
  }
  return work;
}

std::string marksOf(const LineWork& work) {
  std::string text;
  for (int32_t mark : work.pieceMark) text += mark == INTERIOR_MARK ? 'I' : mark ? 'R' : '0';
  return text;
}

// Sample 0 at range + distance along x, sample gap at range, sample gap + 1 close to it: the
// run starts at 0 when sample gap continues it, else at gap. The threshold is MIN_BREAK_DIST
// up to a range that falls as the gap grows; with a gap of 4 it is about 2.02 at range 30.
TEST(NextRun, GapsAndBreakpointDistances) {
  const struct {
    int32_t gap;
    double range, distance;
    bool connected;
  } cases[] = {{1, 10, 0.5, true},   {4, 10, 0.5, true},   {5, 10, 0.5, false},
               {6, 10, 0.5, false},  {4, 10, 1.0, true},   {4, 10, 1.0000001, false},
               {4, 30, 2.02, true},  {4, 30, 2.03, false}, {1, 30, 1.0, true},
               {1, 30, 1.01, false}, {1, 59, 1.0, true},   {1, 60, 1.01, true}};
  for (const auto& c : cases) {
    std::vector<double> x(size_t(c.gap) + 2, NO_POINT), y(size_t(c.gap) + 2, NO_POINT);
    x[0] = c.range + c.distance, y[0] = 0;
    x[c.gap] = x[c.gap + 1] = c.range, y[c.gap] = 0, y[c.gap + 1] = 0.1;
    int32_t start = 0, end = -1;
    ASSERT_EQ(nextRun(workWith(y, x), start, end), 1);
    EXPECT_EQ(start, c.connected ? 0 : c.gap) << c.gap << " " << c.range << " " << c.distance;
    EXPECT_EQ(end, c.gap + 1);
  }
}

// A middle offset of exactly SPLIT_TOL splits, just below it does not; a split helps when one
// half is straight and is rejected when no better than the whole; an invalid sample becomes a
// split point.
TEST(SplitRun, ToleranceAndRejectedSplits) {
  const double below = std::nextafter(SPLIT_TOL, 0.0);
  const struct {
    std::vector<double> y, x;
    double reported;  // NaN: below SPLIT_TOL
    const char* marks;
  } cases[] = {{{0, 5}, {}, NAN, "00"},
               {{0, 5, 0}, {}, 5.0, "000"},
               {{2, 2, 2, 2, 2, 2}, {}, SPLIT_TOL, "0IIII0"},
               {{0, 0, 0, 0, SPLIT_TOL, 0, 0, 0, 0}, {}, NAN, "0III0III0"},
               {{0, 0, 0, 0, below, 0, 0, 0, 0}, {}, below, "0IIIIIII0"},
               {{0, 0.25, 0.5, 0.75, 1.0, -0.9, 0}, {}, SPLIT_TOL, "0III000"},
               {{0, 0, 1, -0.9, 0}, {0, -1, 0, 2, 4}, 1.0, "0RRR0"},
               {{0, -0.19, 0.2, -0.19, 0}, {}, 0.2, "0RRR0"},
               {{1, 1.2, 1.4, 1.6, 1.8, NO_POINT, 2.2, 2.4, 2.6, 2.8, 3}, {}, NAN, "0III000III0"}};
  for (const auto& c : cases) {
    LineWork work = workWith(c.y, c.x);
    const double reported = splitRun(work, 0, static_cast<int32_t>(c.y.size()) - 1);
    EXPECT_TRUE(std::isnan(c.reported) ? reported < SPLIT_TOL : reported == c.reported)
        << c.marks << ": " << reported;
    EXPECT_EQ(marksOf(work), c.marks);
  }
}

// Forward extensions never take the run's last two samples, backward ones never its first; a
// chord deviation of exactly EXTEND_TOL, or none at all, stops an extension; pieces never merge.
TEST(ExtendPieces, StopsAtTheToleranceTheRunEndsAndTheNextPiece) {
  const double below = std::nextafter(EXTEND_TOL, 0.0);
  const struct {
    std::vector<double> y;
    const char *before, *after;
  } cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "0III000000", "0III000000"},
      {{0, 0, 0.001, 0, 0, 0, 0, 0, 0, 0}, "0III000000", "0IIIIII000"},
      {{0, 0, EXTEND_TOL, 0, 0, 0, 0, 0, 0, 0}, "0III000000", "0III000000"},
      {{0, 0, below, 0, 0, 0, 0, 0, 0, 0}, "0III000000", "0IIIIII000"},
      {{0, 0, 0, 0, 0, 0, 0.01, 0, 0, 0, 0, 0}, "00000III0000", "00IIIIIII000"},
      {{0, 0, 0.01, 0, 0, 0, 0, 0, 0.01, 0, 0, 0, 0, 0}, "0III000III0000", "0IIII00IIII000"}};
  for (const auto& c : cases) {
    LineWork work = workWith(c.y, {}, c.before);
    extendPieces(work, 0, static_cast<int32_t>(c.y.size()) - 1);
    EXPECT_EQ(marksOf(work), c.after) << c.before;
  }
}

TEST(ChordDeviation, FirstOfTiedLargestOffsets) {
  LineWork work = workWith({0, -0.5, 0.5, 0.25, 0});
  chordFrame(work, 0, 4);
  const ChordDeviation dev = chordDeviation(work);
  EXPECT_TRUE(dev.maxDev == 0.5 && dev.k == 2 && dev.hasDev);
}

// Mask digits from blank-separated tokens: "4*19" repeats a digit, others stay as they are.
std::string expand(const std::string& pattern) {
  std::string text, token;
  for (std::istringstream in(pattern); in >> token;) {
    text += token.find('*') == std::string::npos
                ? token
                : std::string(std::stoul(token.substr(2)), token[0]);
  }
  return text;
}

ProfileSpan wall(int32_t first, int32_t last, double x = 5) {
  return {first, last, {x, 0}, {x, 1}};
}
ProfileSpan floorAt(double y, int32_t first, int32_t last) {
  return {first, last, {0, y}, {1, y}};
}

ScanStore drawn(const test::LineProfile& profile, std::vector<int32_t> noReturn = {}) {
  ScanStore store = test::profileStore(181, {profile});
  for (int32_t s : noReturn) (*store.lines)[0].range[s] = 0;
  return store;
}

// One line at range unit 1000 with the given raw ranges from sample `first` on.
ScanStore rawLine(int32_t first, std::vector<int16_t> raw) {
  return test::gridStore(1, 181, 1000.0f, [=](int32_t, int32_t s) {
    return s >= first && s < first + int32_t(raw.size()) ? raw[size_t(s - first)] : int16_t(0);
  });
}

// Mask codes: 0 no point, 8 no line, 4 line, 2 road, 1 vertical, 5 stray piece end. A piece
// needs four samples of range above 0.5 among start and interior; a sample without a point
// splits a run or lies inside a diagonal piece (mask 0, ending its record, a stray end point);
// pieces sharing an end point give two records. The reference height
// is the lower end of the line's last record: a low last record keeps higher flat records from
// being road, a high one lets lower ones be road; a road record raises it to its own higher end for
// the records after it. A shared end point of road and vertical records ends vertical.
TEST(LineSegmentation, RecordsAndMaskRowsAtTheLimitsOfTheRules) {
  struct {
    ScanStore store;
    std::string records;
    int32_t first;
    std::string mask;
  } cases[] = {
      {drawn({wall(20, 40), wall(41, 41, 15), wall(42, 60)}), "20-40:1 42-60:1 ", 19,
       "0 1*21 8 1*19"},
      {drawn({wall(50, 53)}), "", 50, "8888"},
      {drawn({wall(50, 54)}), "50-54:1 ", 50, "11111"},
      {rawLine(10, {500, 501, 501, 501, 500}), "", 10, "88888"},
      {rawLine(10, {501, 501, 501, 501, 500}), "10-14:1 ", 10, "11111"},
      {drawn({wall(20, 60)}, {40}), "20-39:1 41-60:1 ", 20, "1*20 0 1*20"},
      {drawn({{20, 32, {2, 0}, {3, 1}}}, {24, 25}), "20-24:4 ", 20, "4*5 0 4*6 5"},
      {drawn({{20, 59, {6, 2}, {3, 5}}, {60, 110, {3, 5}, {-3, 8}}}), "20-59:4 59-110:4 ", 20,
       "4*91"},
      {drawn({floorAt(3, 60, 70), floorAt(1, 80, 90)}), "60-70:4 80-90:2 ", 60, "4*11 0*9 2*11"},
      {drawn({floorAt(1, 60, 70), floorAt(3, 80, 90)}), "60-70:2 80-90:2 ", 60, "2*11 0*9 2*11"},
      {drawn({{10, 36, {6, 1}, {2, 1.5}}, floorAt(1.8, 50, 60), floorAt(1.2, 70, 80)}),
       "10-36:2 50-60:2 70-80:2 ", 50, "2*11"},
      {drawn({floorAt(1, 10, 36), floorAt(1.8, 50, 60), floorAt(1.2, 70, 80)}),
       "10-36:2 50-60:4 70-80:2 ", 50, "4*11"},
      {drawn({floorAt(1, 20, 45), {46, 70, {1, 0}, {1, 1}}}), "20-45:2 45-70:1 ", 44, "211"}};
  for (auto& c : cases) {
    ASSERT_EQ(segmentLines(c.store, test::uprightCalib(), ParallelOptions{1}), 1);
    EXPECT_EQ(recordsText((*c.store.lineSegmentLists)[0]), c.records);
    const std::string expected = expand(c.mask);
    EXPECT_EQ(digits(*c.store.lineSegmentMask).substr(size_t(c.first), expected.size()), expected)
        << c.records;
  }
}

// A hand-made piece 30 ... 40 on the floor y = 1 is road, but a line when an end sample has no
// point.
TEST(BuildLineSegments, EndSampleWithoutPointKeepsLineClass) {
  for (const bool endHasPoint : {true, false}) {
    const ScanStore floor = drawn({floorAt(1, 10, 170)}, {endHasPoint ? 0 : 40});
    std::vector<uint8_t> row(181, MASK_NO_LINE);
    std::fill(row.begin() + 30, row.begin() + 41, LINE_CLASS_LINE);
    row[30] = row[40] = MASK_PIECE_END;
    LineSegmentList list;
    buildLineSegments(floor, test::uprightCalib(), 0, row, list);
    EXPECT_EQ(recordsText(list), endHasPoint ? "30-40:2 " : "30-40:4 ");
    freeLineSegmentList(list);
  }
}

// The cosine of this vector with itself rounds to 1.0000000000000002: without the clamp, NaN.
// Both angle limits are strict.
TEST(LineAngles, ClampFoldAndStrictLimits) {
  const Vec3 v = {0.08282494558699316, 0.8782983255570211, -0.23759152462357513};
  EXPECT_EQ(vectorAngle(v, v), 0.0);
  EXPECT_EQ(vectorAngle(v, {-v[0], -v[1], -v[2]}), std::acos(-1.0));
  EXPECT_EQ(angleFromVertical({0, 0, 1}, {0, 0, 0}), CLASS_HALF_TURN - std::numbers::pi);
  EXPECT_FALSE(risesLikeRoad(CLASS_RIGHT_ANGLE - LINE_ANGLE_LIMIT));
  EXPECT_TRUE(risesLikeRoad(std::nextafter(CLASS_RIGHT_ANGLE - LINE_ANGLE_LIMIT, 2.0)));
  EXPECT_FALSE(standsVertical(LINE_ANGLE_LIMIT));
  EXPECT_TRUE(standsVertical(std::nextafter(LINE_ANGLE_LIMIT, 0.0)));
}

TEST(LineSegger, OneAndThreeThreadsGiveTheSameMaskAndRecords) {
  test::SimulatedScan one, three;
  ASSERT_NO_FATAL_FAILURE(test::loadSimulatedScan({"street", 300, 1.0, 5}, one));
  ASSERT_NO_FATAL_FAILURE(test::loadSimulatedScan({"street", 300, 1.0, 5}, three));
  ASSERT_EQ(segmentLines(one.store, one.calib, ParallelOptions{1}), 1);
  ASSERT_EQ(segmentLines(three.store, three.calib, ParallelOptions{3}), 1);
  EXPECT_EQ(*three.store.lineSegmentMask, *one.store.lineSegmentMask);
  for (int32_t l = 0; l < 300; ++l) {
    EXPECT_EQ(recordsText((*three.store.lineSegmentLists)[size_t(l)]),
              recordsText((*one.store.lineSegmentLists)[size_t(l)]));
  }
}

}  // namespace
}  // namespace quorvel
