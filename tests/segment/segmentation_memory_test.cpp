// Both segmentation stages with their allocation 0, 1, 2, ... failing, on fresh stores, until a
// run completes: every failed run returns 0, shows the stage's message once and leaves no
// result. The line stage allocates its mask, lists, working state and records (two lines of
// two walls each); the region stage its LabelMap, SegmentTable, three point arrays, seed order
// and region lists (two segments and a rejected sample).
#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"
#include "segment/line_segger.h"
#include "segment/region_segmentation.h"
#include "tests/segment/failing_allocator.h"
#include "tests/segment/region_scan.h"
#include "tests/support/profile_store.h"

namespace quorvel {
namespace {

TEST(SegmentationMemory, EveryFailedAllocationIsReported) {
  const test::LineProfile walls = {{20, 60, {5, 0}, {5, 1}}, {70, 120, {-6, 0}, {-6, 1}}};
  for (const bool regions : {false, true}) {
    const std::string message = regions ? "USFsegger." : "LineSegger.";
    for (long n = 0;; ++n) {
      ScanStore store =
          regions
              ? test::blockStore(12, {{2, 10, 4, 6, 1e-3}, {5, 40, 6, 4, 2e-3}, {9, 90, 1, 1, 0}})
              : test::profileStore(181, {walls, walls});
      const size_t shown = shownStageMessages().size();
      test::failAllocation(n);
      const int result = regions ? segmentRegions(store, test::identityCalib(), {}, {})
                                 : segmentLines(store, test::uprightCalib(), ParallelOptions{1});
      if (!test::allocationFailed()) {
        test::failAllocation(-1);
        EXPECT_EQ(result, 1);
        EXPECT_GE(n, 7) << message;
        break;
      }
      EXPECT_EQ(result, 0) << n;
      EXPECT_FALSE(store.lineSegmentMask || store.lineSegmentLists || store.labelMap ||
                   store.segmentTable)
          << n;
      const auto& messages = shownStageMessages();
      EXPECT_EQ(messages.size(), shown + 1) << n;
      EXPECT_EQ(messages.size() > shown ? messages.back().text + " " + messages.back().caption : "",
                "Memory failure in " + message + " Error");
    }
  }
}

}  // namespace
}  // namespace quorvel
