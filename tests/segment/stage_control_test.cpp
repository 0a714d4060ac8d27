// The four stages under a control, on one thread and on three: a stop requested at the first
// progress report returns 0 without a message and leaves the store without the stage's results;
// the stage then runs to the same bits as without a control, reporting fractions that rise to 1.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "features/variance_map.h"
#include "platform/headless/headless_platform.h"
#include "segment/line_segger.h"
#include "segment/region_segmentation.h"
#include "segment/surface_classification.h"
#include "tests/support/simulated_scan.h"

namespace quorvel {
namespace {

template <typename T>
bool sameBytes(const std::optional<std::vector<T>>& a, const std::optional<std::vector<T>>& b) {
  return a && b && a->size() == b->size() &&
         std::memcmp(a->data(), b->data(), a->size() * sizeof(T)) == 0;
}

struct Stage {
  const char* name;
  std::function<int(test::SimulatedScan&, const ParallelOptions&)> run;
  std::function<bool(const ScanStore&)> present;  // any of its results
  std::function<bool(const ScanStore&, const ScanStore&)> same;
};

const Stage STAGES[] = {
    {"surface",
     [](test::SimulatedScan& s, const ParallelOptions& o) {
       return computeVarianceMap(s.store, s.calib, SegmentParams{}, o);
     },
     [](const ScanStore& s) { return s.varianceMap || s.normalMap; },
     [](const ScanStore& a, const ScanStore& b) {
       return sameBytes(a.varianceMap, b.varianceMap) && sameBytes(a.normalMap, b.normalMap);
     }},
    {"lines",
     [](test::SimulatedScan& s, const ParallelOptions& o) {
       return segmentLines(s.store, s.calib, o);
     },
     [](const ScanStore& s) { return s.lineSegmentMask || s.lineSegmentLists; },
     [](const ScanStore& a, const ScanStore& b) {
       return sameBytes(a.lineSegmentMask, b.lineSegmentMask);
     }},
    {"regions",
     [](test::SimulatedScan& s, const ParallelOptions& o) {
       return segmentRegions(s.store, s.calib, SegmentParams{}, o.control);
     },
     [](const ScanStore& s) { return s.labelMap || s.segmentTable; },
     [](const ScanStore& a, const ScanStore& b) { return sameBytes(a.labelMap, b.labelMap); }},
    {"classes",
     [](test::SimulatedScan& s, const ParallelOptions& o) {
       return classifySurfaces(s.store, s.calib, o);
     },
     [](const ScanStore& s) { return s.surfaceClassMap || s.kerbFeet; },
     [](const ScanStore& a, const ScanStore& b) {
       return sameBytes(a.surfaceClassMap, b.surfaceClassMap);
     }},
};

TEST(StageControl, AStopLeavesNoResultAndFollowingChangesNothing) {
  const SimulationOptions street{"street", 150, 0.5, 5};
  test::SimulatedScan plain;
  test::loadSimulatedScan(street, plain);
  for (const Stage& stage : STAGES) ASSERT_EQ(stage.run(plain, ParallelOptions{1}), 1);
  for (const int threads : {1, 3}) {
    test::SimulatedScan scan;
    test::loadSimulatedScan(street, scan);
    for (const Stage& stage : STAGES) {
      std::atomic<bool> cancel{false};
      std::vector<double> fractions;
      ParallelOptions options{threads};
      options.control = {&cancel, [&](double fraction) {
                           fractions.push_back(fraction);
                           cancel = true;
                         }};
      const size_t shown = shownStageMessages().size();
      EXPECT_EQ(stage.run(scan, options), 0) << stage.name;
      EXPECT_FALSE(stage.present(scan.store)) << stage.name;
      EXPECT_EQ(shownStageMessages().size(), shown);
      cancel = false;
      fractions.clear();
      options.control.progress = [&](double fraction) { fractions.push_back(fraction); };
      ASSERT_EQ(stage.run(scan, options), 1) << stage.name;
      EXPECT_TRUE(stage.same(scan.store, plain.store)) << stage.name;
      EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()) && fractions.back() == 1.0)
          << stage.name;
    }
  }
}

}  // namespace
}  // namespace quorvel
