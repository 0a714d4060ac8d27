// The whole stage on simulated scans: parallel runs, repeated calls, and how the mask agrees
// with the simulator's truth.
#include "segment/line_segger.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "segment/line_class.h"
#include "tests/segment/segmentation_view.h"
#include "tests/support/simulated_scan.h"

namespace quorvel {
namespace {

struct SceneCase {
  const char* scene;
  double resolution;
  int lines;
};

std::string sceneName(const ::testing::TestParamInfo<SceneCase>& info) {
  return std::string(info.param.scene) + "_" +
         std::to_string(static_cast<int>(info.param.resolution * 100));
}

void simulate(const SceneCase& c, uint64_t seed, test::SimulatedScan& scan) {
  SimulationOptions options;
  options.scene = c.scene;
  options.resolution = c.resolution;
  options.lines = c.lines;
  options.seed = seed;
  test::loadSimulatedScan(options, scan);
}

struct Segmentation {
  std::vector<uint8_t> mask;
  std::vector<std::vector<test::Record>> records;
};

// Segments the scan with the given threads, takes the results out and leaves it unsegmented.
Segmentation segmentedWith(ScanStore& store, const SensorCalib& calib, int threads) {
  EXPECT_EQ(segmentLines(store, calib, ParallelOptions{threads}), 1);
  Segmentation result{*store.lineSegmentMask, test::allRecords(store)};
  for (LineSegmentList& list : *store.lineSegmentLists) freeLineSegmentList(list);
  store.lineSegmentLists.reset();
  store.lineSegmentMask.reset();
  return result;
}

class ParallelSegmentation : public ::testing::TestWithParam<SceneCase> {};

TEST_P(ParallelSegmentation, OneAndSeveralThreadsGiveIdenticalMaskAndLists) {
  test::SimulatedScan scan;
  ASSERT_NO_FATAL_FAILURE(simulate(GetParam(), 5, scan));
  const Segmentation one = segmentedWith(scan.store, scan.calib, 1);
  for (int threads : {2, 3}) {
    const Segmentation several = segmentedWith(scan.store, scan.calib, threads);
    EXPECT_EQ(several.mask, one.mask) << threads << " threads";
    EXPECT_EQ(several.records, one.records) << threads << " threads";
  }
  size_t roadSamples = 0, verticalSamples = 0;
  for (uint8_t code : one.mask) {
    roadSamples += code == LINE_CLASS_ROAD;
    verticalSamples += code == LINE_CLASS_VERTICAL;
  }
  EXPECT_GT(roadSamples, 0u);
  EXPECT_GT(verticalSamples, 0u);
}

INSTANTIATE_TEST_SUITE_P(Scenes, ParallelSegmentation,
                         ::testing::Values(SceneCase{"street", 1.0, 400},
                                           SceneCase{"hills", 0.5, 300},
                                           SceneCase{"street", 0.25, 200}),
                         sceneName);

TEST(LineSegger, SecondCallChangesNothing) {
  test::SimulatedScan scan;
  ASSERT_NO_FATAL_FAILURE(simulate({"street", 0.5, 50}, 3, scan));
  ASSERT_EQ(segmentLines(scan.store, scan.calib, ParallelOptions{2}), 1);
  const std::vector<uint8_t> mask = *scan.store.lineSegmentMask;
  const auto records = test::allRecords(scan.store);
  const LineSegment* firstHead = (*scan.store.lineSegmentLists)[0].get();
  for (ScanLine& line : *scan.store.lines)
    std::fill(std::begin(line.range), std::end(line.range), 0);
  EXPECT_EQ(segmentLines(scan.store, scan.calib, ParallelOptions{2}), 1);
  EXPECT_EQ(*scan.store.lineSegmentMask, mask);
  EXPECT_EQ(test::allRecords(scan.store), records);
  EXPECT_EQ((*scan.store.lineSegmentLists)[0].get(), firstHead);
  freeScanStore(scan.store);
}

TEST(LineSegger, StoreWithoutScanGetsEmptyResults) {
  ScanStore store;
  ASSERT_EQ(segmentLines(store, SensorCalib{}, ParallelOptions{2}), 1);
  EXPECT_TRUE(store.lineSegmentMask->empty());
  EXPECT_TRUE(store.lineSegmentLists->empty());
}

// Samples of a mask code against samples of a truth class.
struct Agreement {
  size_t both = 0, masked = 0, truth = 0;
  double precision() const { return masked ? double(both) / double(masked) : 0.0; }
  double recall() const { return truth ? double(both) / double(truth) : 0.0; }
};

Agreement agreement(const std::vector<uint8_t>& mask, const std::vector<uint8_t>& truth,
                    uint8_t code, uint8_t truthClass) {
  Agreement a;
  for (size_t i = 0; i < mask.size(); ++i) {
    a.masked += mask[i] == code;
    a.truth += truth[i] == truthClass;
    a.both += mask[i] == code && truth[i] == truthClass;
  }
  return a;
}

class TruthAgreement : public ::testing::TestWithParam<SceneCase> {};

// Measures the classification as it stands; prints, asserts nothing about the figures.
TEST_P(TruthAgreement, PrintsPrecisionAndRecallOfRoadAndVertical) {
  constexpr uint8_t TRUTH_ROAD = 1, TRUTH_VERTICAL = 2;
  test::SimulatedScan scan;
  ASSERT_NO_FATAL_FAILURE(simulate(GetParam(), 2026, scan));
  ASSERT_EQ(segmentLines(scan.store, scan.calib, ParallelOptions{0}), 1);
  const std::vector<uint8_t>& mask = *scan.store.lineSegmentMask;
  ASSERT_EQ(mask.size(), scan.project.truth.size());
  const Agreement road = agreement(mask, scan.project.truth, LINE_CLASS_ROAD, TRUTH_ROAD);
  const Agreement vertical =
      agreement(mask, scan.project.truth, LINE_CLASS_VERTICAL, TRUTH_VERTICAL);
  std::printf(
      "truth agreement %-6s %.2f deg: road precision %.3f recall %.3f (%zu masked, "
      "%zu true), vertical precision %.3f recall %.3f (%zu masked, %zu true)\n",
      GetParam().scene, GetParam().resolution, road.precision(), road.recall(), road.masked,
      road.truth, vertical.precision(), vertical.recall(), vertical.masked, vertical.truth);
  freeScanStore(scan.store);
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, TruthAgreement,
    ::testing::Values(SceneCase{"street", 1.0, 1000}, SceneCase{"street", 0.5, 1000},
                      SceneCase{"street", 0.25, 1000}, SceneCase{"hills", 1.0, 1000},
                      SceneCase{"hills", 0.5, 1000}, SceneCase{"hills", 0.25, 1000}),
    sceneName);

}  // namespace
}  // namespace quorvel
