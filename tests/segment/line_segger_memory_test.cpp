// The line segmentation when memory runs out at any of its allocations: it shows its message,
// leaves neither the mask nor the lists, and a later call computes the full result.
#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"
#include "segment/line_segger.h"
#include "tests/segment/failing_allocator.h"
#include "tests/segment/segmentation_view.h"
#include "tests/support/profile_store.h"

namespace quorvel {
namespace {

// Two lines of two walls each: several records per line.
ScanStore wallStore() {
  const test::LineProfile walls = {{20, 60, {5, 0}, {5, 1}}, {70, 120, {-6, 0}, {-6, 1}}};
  return test::profileStore(181, {walls, walls});
}

TEST(LineSeggerMemory, EveryFailedAllocationLeavesNoResultAndIsReported) {
  ScanStore reference = wallStore();
  ASSERT_EQ(segmentLines(reference, test::uprightCalib(), ParallelOptions{1}), 1);
  const auto expectedRecords = test::allRecords(reference);
  ASSERT_GE(expectedRecords[0].size(), 2u);

  long failAt = 0;
  for (;; ++failAt) {
    ScanStore store = wallStore();
    const size_t messagesBefore = shownStageMessages().size();
    bool failed = false;
    const int result = test::runWithFailingAllocation(
        failAt, [&] { return segmentLines(store, test::uprightCalib(), ParallelOptions{1}); },
        failed);
    if (!failed) {
      EXPECT_EQ(result, 1);
      freeScanStore(store);
      break;
    }
    EXPECT_EQ(result, 0) << "allocation " << failAt;
    EXPECT_FALSE(store.lineSegmentMask) << "allocation " << failAt;
    EXPECT_FALSE(store.lineSegmentLists) << "allocation " << failAt;
    ASSERT_NO_FATAL_FAILURE(
        test::expectOneMemoryMessage(messagesBefore, "Memory failure in LineSegger."));

    ASSERT_EQ(segmentLines(store, test::uprightCalib(), ParallelOptions{1}), 1);
    EXPECT_EQ(*store.lineSegmentMask, *reference.lineSegmentMask) << "allocation " << failAt;
    EXPECT_EQ(test::allRecords(store), expectedRecords) << "allocation " << failAt;
    freeScanStore(store);
  }
  EXPECT_GT(failAt, 6);  // mask, lists, the working state and the records all failed once
  freeScanStore(reference);
}

}  // namespace
}  // namespace quorvel
