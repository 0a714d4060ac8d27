// The region segmentation when memory runs out at any of its allocations (LabelMap,
// SegmentTable, the point arrays, the seed order, the region's lists): it shows its message,
// returns 0, installs neither buffer, and a later call computes the full result.
#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"
#include "segment/region_segmentation.h"
#include "tests/reference/region_reference.h"
#include "tests/segment/failing_allocator.h"
#include "tests/segment/region_scan.h"

namespace quorvel {
namespace {

// Two blocks that become segments and a lone sample that is rejected.
ScanStore blocksStore() {
  return test::regionStore(12, 181, test::rawWhere([](int32_t l, int32_t s) {
                             const bool first = l >= 2 && l < 6 && s >= 10 && s < 16;
                             const bool second = l >= 5 && l < 11 && s >= 40 && s < 44;
                             return first || second || (l == 9 && s == 90);
                           }),
                           [](int32_t l, int32_t s) { return 0.001 * ((l + s) % 3); });
}

TEST(RegionSegmentationMemory, EveryFailedAllocationLeavesNoResultAndIsReported) {
  const SensorCalib calib = test::identityCalib();
  ScanStore reference = blocksStore();
  ASSERT_EQ(segmentRegions(reference, calib, SegmentParams{}), 1);
  ASSERT_EQ((*reference.segmentTable)[1].pointNum, 24);

  long failAt = 0;
  for (;; ++failAt) {
    ScanStore store = blocksStore();
    const size_t messagesBefore = shownStageMessages().size();
    bool failed = false;
    const int result = test::runWithFailingAllocation(
        failAt, [&] { return segmentRegions(store, calib, SegmentParams{}); }, failed);
    if (!failed) {
      EXPECT_EQ(result, 1);
      break;
    }
    EXPECT_EQ(result, 0) << "allocation " << failAt;
    EXPECT_FALSE(store.labelMap) << "allocation " << failAt;
    EXPECT_FALSE(store.segmentTable) << "allocation " << failAt;
    ASSERT_NO_FATAL_FAILURE(
        test::expectOneMemoryMessage(messagesBefore, "Memory failure in USFsegger."));

    ASSERT_EQ(segmentRegions(store, calib, SegmentParams{}), 1);
    EXPECT_EQ(*store.labelMap, *reference.labelMap) << "allocation " << failAt;
    EXPECT_TRUE(reference::identicalTables(*store.segmentTable, *reference.segmentTable))
        << "allocation " << failAt;
  }
  EXPECT_GE(failAt, 7);  // LabelMap, SegmentTable, three point arrays, seeds, region lists
}

}  // namespace
}  // namespace quorvel
