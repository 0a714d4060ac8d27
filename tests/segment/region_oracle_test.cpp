// The production region segmentation against the literal one on simulated scenes of all three
// set-ups: the LabelMap and every SegmentRecord field, bit for bit.
#include <gtest/gtest.h>

#include "features/variance_map.h"
#include "segment/region_segmentation.h"
#include "tests/reference/region_reference.h"
#include "tests/support/simulated_scan.h"

namespace quorvel {
namespace {

struct SceneCase {
  const char* scene;
  double resolution;
  int lines;
  uint64_t seed;
};

class RegionOracle : public ::testing::TestWithParam<SceneCase> {};

TEST_P(RegionOracle, ProductionEqualsLiteralBitForBit) {
  SimulationOptions options;
  options.scene = GetParam().scene;
  options.resolution = GetParam().resolution;
  options.lines = GetParam().lines;
  options.seed = GetParam().seed;
  test::SimulatedScan scan;
  ASSERT_NO_FATAL_FAILURE(test::loadSimulatedScan(options, scan));
  ASSERT_EQ(computeVarianceMap(scan.store, scan.calib, SegmentParams{}, ParallelOptions{1}), 1);

  std::vector<uint16_t> labels;
  std::vector<SegmentRecord> table;
  reference::literalRegions(scan.store, scan.calib, SegmentParams{}, labels, table);
  ASSERT_EQ(segmentRegions(scan.store, scan.calib, SegmentParams{}), 1);

  size_t segmentSamples = 0;
  uint16_t segments = 0;
  for (size_t i = 0; i < labels.size(); ++i) {
    ASSERT_EQ((*scan.store.labelMap)[i], labels[i]) << "sample-major index " << i;
    if (labels[i] < MAX_SEGMENTS) {
      segmentSamples += 1;
      segments = std::max<uint16_t>(segments, labels[i] + 1);
    }
  }
  EXPECT_GT(segments, 3) << "the scene should give several segments";
  EXPECT_GT(segmentSamples, labels.size() / 4);
  for (uint16_t k = 0; k < MAX_SEGMENTS; ++k) {
    ASSERT_TRUE(reference::identicalRecords((*scan.store.segmentTable)[k], table[k]))
        << "segment " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, RegionOracle,
    ::testing::Values(SceneCase{"street", 1.0, 300, 3}, SceneCase{"hills", 0.5, 200, 11},
                      SceneCase{"street", 0.25, 120, 7}, SceneCase{"hills", 1.0, 400, 5}),
    [](const auto& info) {
      return std::string(info.param.scene) + "_" + std::to_string(info.param.lines) + "lines";
    });

}  // namespace
}  // namespace quorvel
