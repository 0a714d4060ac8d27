#include "segment/line_segment_list.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

std::unique_ptr<LineSegment> recordStarting(int32_t first) {
  std::unique_ptr<LineSegment> record = newLineSegment();
  record->first = first;
  return record;
}

TEST(LineSegmentList, NewRecordIsBlank) {
  const std::unique_ptr<LineSegment> record = newLineSegment();
  EXPECT_EQ(record->first, 0);
  EXPECT_EQ(record->last, 0);
  EXPECT_EQ(record->lineClass, 0);
  EXPECT_FALSE(record->next);
}

TEST(LineSegmentList, AppendMakesHeadThenTail) {
  LineSegmentList list;
  appendLineSegment(list, recordStarting(1));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->first, 1);
  for (int32_t first = 2; first <= 4; ++first) appendLineSegment(list, recordStarting(first));
  int32_t expected = 1;
  for (const LineSegment* r = list.get(); r; r = r->next.get()) EXPECT_EQ(r->first, expected++);
  EXPECT_EQ(expected, 5);
  freeLineSegmentList(list);
  EXPECT_FALSE(list);
}

// A record that still links to others is cut loose: only the record itself joins the list.
TEST(LineSegmentList, AppendedRecordLosesItsOldLink) {
  LineSegmentList list;
  std::unique_ptr<LineSegment> record = recordStarting(7);
  record->next = recordStarting(8);
  appendLineSegment(list, std::move(record));
  EXPECT_FALSE(list->next);
  freeLineSegmentList(list);
}

}  // namespace
}  // namespace quorvel
