// Records from mask rows, and their classes from the world points of their end samples. The
// scan plane stands upright (world height = scan-plane y), so profiles are side views.
#include "segment/line_classification.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "segment/line_class.h"
#include "segment/line_segger.h"
#include "segment/line_segment_list.h"
#include "tests/segment/segmentation_view.h"
#include "tests/support/profile_store.h"

namespace quorvel {
namespace {

using test::LineProfile;
using test::ProfileSpan;
using test::Record;

constexpr int LINE = LINE_CLASS_LINE;
constexpr int ROAD = LINE_CLASS_ROAD;
constexpr int VERTICAL = LINE_CLASS_VERTICAL;

TEST(VectorAngle, RightStraightAndOppositeAngles) {
  EXPECT_EQ(vectorAngle({0, 0, 1}, {3, 4, 0}), std::acos(0.0));
  EXPECT_EQ(vectorAngle({0, 0, 1}, {0, 0, 2}), 0.0);
  EXPECT_EQ(vectorAngle({0, 0, 1}, {0, 0, -2}), std::acos(-1.0));
}

// This vector's cosine with itself rounds to 1.0000000000000002; without the clamp acos gives NaN.
TEST(VectorAngle, CosineRoundedBeyondOneIsClamped) {
  const Vec3 v = {0.08282494558699316, 0.8782983255570211, -0.23759152462357513};
  EXPECT_EQ(vectorAngle(v, v), 0.0);
  EXPECT_EQ(vectorAngle(v, {-v[0], -v[1], -v[2]}), std::acos(-1.0));
}

TEST(AngleFromVertical, DownwardDirectionFoldsWithTheFixedHalfTurn) {
  EXPECT_EQ(angleFromVertical({0, 0, 1}, {0, 0, 0}), CLASS_HALF_TURN - std::numbers::pi);
  EXPECT_EQ(angleFromVertical({0, 0, 0}, {0, 0, 1}), 0.0);
}

// The road limit uses the right angle 1.5707963, 2.7e-8 below pi / 2: an angle 1e-9 beyond the
// limit passes only because of it.
TEST(AngleLimits, RoadAndVerticalLimitsAreStrict) {
  const double roadLimit = CLASS_RIGHT_ANGLE - LINE_ANGLE_LIMIT;
  EXPECT_TRUE(risesLikeRoad(roadLimit + 1e-9));
  EXPECT_FALSE(risesLikeRoad(roadLimit - 1e-9));
  EXPECT_TRUE(risesLikeRoad(std::numbers::pi / 2));
  EXPECT_FALSE(standsVertical(LINE_ANGLE_LIMIT));
  EXPECT_TRUE(standsVertical(std::nextafter(LINE_ANGLE_LIMIT, 0.0)));
  EXPECT_TRUE(standsVertical(CLASS_HALF_TURN - std::numbers::pi));
}

// A 45-degree slope (x + y = 4) seen by samples 10 ... 80: every record on it is a plain line.
ScanStore slopeStore() {
  return test::profileStore(181, {{{10, 80, {4, 0}, {0, 4}}}});
}

struct RowCase {
  const char* name;
  std::vector<uint8_t> row;  // mask bytes from sample 30 on
  std::vector<Record> records;
  std::vector<uint8_t> after;
};

class RecordsFromRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(RecordsFromRow, PatternsBecomeRecords) {
  const RowCase& c = GetParam();
  const ScanStore store = slopeStore();
  std::vector<uint8_t> row(181, MASK_NO_LINE);
  std::copy(c.row.begin(), c.row.end(), row.begin() + 30);
  LineSegmentList list;
  buildLineSegments(store, test::uprightCalib(), 0, row, list);
  EXPECT_EQ(test::recordsOf(list), c.records);
  EXPECT_EQ(std::vector<uint8_t>(row.begin() + 30, row.begin() + 30 + c.after.size()), c.after);
  freeLineSegmentList(list);
}

INSTANTIATE_TEST_SUITE_P(Rows, RecordsFromRow,
                         ::testing::Values(RowCase{"SharedEndPoint",
                                                   {5, 4, 4, 5, 4, 4, 5, 8},
                                                   {{30, 33, LINE}, {33, 36, LINE}},
                                                   {4, 4, 4, 4, 4, 4, 4, 8}},
                                           RowCase{"StrayEndPointStays",
                                                   {5, 8, 5, 4, 4, 4, 5, 5, 8},
                                                   {{32, 36, LINE}},
                                                   {5, 8, 4, 4, 4, 4, 4, 5, 8}},
                                           RowCase{"SampleWithoutPointEndsTheRecord",
                                                   {5, 4, 4, 0, 4, 5},
                                                   {{30, 33, LINE}},
                                                   {4, 4, 4, 0, 4, 5}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BuildLineSegments, RowEndingInInteriorSamplesGivesNoRecord) {
  const ScanStore store = slopeStore();
  std::vector<uint8_t> row(181, MASK_NO_LINE);
  row[177] = 5;
  row[178] = row[179] = row[180] = 4;
  const std::vector<uint8_t> before = row;
  LineSegmentList list;
  buildLineSegments(store, test::uprightCalib(), 0, row, list);
  EXPECT_FALSE(list);
  EXPECT_EQ(row, before);
}

TEST(BuildLineSegments, FilledListLeavesTheLineAlone) {
  const ScanStore store = slopeStore();
  std::vector<uint8_t> row(181, MASK_NO_LINE);
  row[30] = 5;
  row[31] = row[32] = 4;
  row[33] = 5;
  const std::vector<uint8_t> before = row;
  LineSegmentList list;
  appendLineSegment(list, newLineSegment());
  buildLineSegments(store, test::uprightCalib(), 0, row, list);
  EXPECT_EQ(test::recordsOf(list), (std::vector<Record>{{0, 0, 0}}));
  EXPECT_EQ(row, before);
  freeLineSegmentList(list);
}

// A flat record (floor y = 1) is road unless an end sample has no point.
TEST(BuildLineSegments, EndSampleWithoutWorldPointKeepsLineClass) {
  for (const bool endHasPoint : {true, false}) {
    ScanStore store = test::profileStore(181, {{{10, 170, {0, 1}, {1, 1}}}});
    if (!endHasPoint) (*store.lines)[0].range[40] = 0;
    std::vector<uint8_t> row(181, MASK_NO_LINE);
    row[30] = row[40] = 5;
    std::fill(row.begin() + 31, row.begin() + 40, 4);
    LineSegmentList list;
    buildLineSegments(store, test::uprightCalib(), 0, row, list);
    EXPECT_EQ(test::recordsOf(list), (std::vector<Record>{{30, 40, endHasPoint ? ROAD : LINE}}));
    freeLineSegmentList(list);
  }
}

// Floor y = height seen by samples first ... last.
ProfileSpan floorAt(double height, int32_t first, int32_t last) {
  return {first, last, {0, height}, {1, height}};
}

struct SceneCase {
  const char* name;
  LineProfile profile;  // spans separated by breakpoints: one record each
  std::vector<int> classes;
};

class RoadRule : public ::testing::TestWithParam<SceneCase> {};

TEST_P(RoadRule, ClassesFollowTheReferenceHeight) {
  const SceneCase& c = GetParam();
  ScanStore store = test::profileStore(181, {c.profile});
  ASSERT_EQ(segmentLines(store, test::uprightCalib(), ParallelOptions{1}), 1);
  const std::vector<Record> records = test::recordsOf((*store.lineSegmentLists)[0]);
  ASSERT_EQ(records.size(), c.classes.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].first, c.profile[i].first);
    EXPECT_EQ(records[i].last, c.profile[i].last);
    EXPECT_EQ(records[i].lineClass, c.classes[i]) << "record " << i;
    for (int32_t s = records[i].first; s <= records[i].last; ++s) {
      EXPECT_EQ(test::maskRow(store, 0)[s], c.classes[i]) << "sample " << s;
    }
  }
  freeScanStore(store);
}

// The reference height is the lower end of the line's last record: a low last record keeps
// higher flat records from being road, a high one lets lower ones be road. A road record
// raises it to its own higher end for the records after it.
INSTANTIATE_TEST_SUITE_P(
    Scenes, RoadRule,
    ::testing::Values(
        SceneCase{"LowLastRecord", {floorAt(3, 60, 70), floorAt(1, 80, 90)}, {LINE, ROAD}},
        SceneCase{"HighLastRecord", {floorAt(1, 60, 70), floorAt(3, 80, 90)}, {ROAD, ROAD}},
        SceneCase{"RaisedByRisingRoad",
                  {{10, 36, {6, 1}, {2, 1.5}}, floorAt(1.8, 50, 60), floorAt(1.2, 70, 80)},
                  {ROAD, ROAD, ROAD}},
        SceneCase{"NotRaisedByFlatRoad",
                  {floorAt(1, 10, 36), floorAt(1.8, 50, 60), floorAt(1.2, 70, 80)},
                  {ROAD, LINE, ROAD}}),
    [](const auto& info) { return std::string(info.param.name); });

// Floor y = 1 up to the corner (1, 1) seen by sample 45, then the wall x = 1.
TEST(LineClassification, SharedEndPointOfRoadAndVerticalEndsVertical) {
  ScanStore store = test::profileStore(181, {{floorAt(1, 20, 45), {46, 70, {1, 0}, {1, 1}}}});
  ASSERT_EQ(segmentLines(store, test::uprightCalib(), ParallelOptions{1}), 1);
  EXPECT_EQ(test::recordsOf((*store.lineSegmentLists)[0]),
            (std::vector<Record>{{20, 45, ROAD}, {45, 70, VERTICAL}}));
  const std::span<const uint8_t> row = test::maskRow(store, 0);
  EXPECT_EQ(row[44], ROAD);
  EXPECT_EQ(row[45], VERTICAL);
  EXPECT_EQ(row[46], VERTICAL);
  freeScanStore(store);
}

}  // namespace
}  // namespace quorvel
