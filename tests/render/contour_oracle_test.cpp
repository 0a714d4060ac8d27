// The cached, parallel contour painter against the literal one on simulated scenes.
#include <gtest/gtest.h>

#include "render/contour_picture.h"
#include "render/range_picture.h"
#include "tests/reference/contour_reference.h"
#include "tests/support/picture_pixels.h"
#include "tests/support/simulated_scan.h"

namespace quorvel {
namespace {

struct SceneCase {
  const char* scene;
  double resolution;
  int lines;
};

class ContourOracle : public ::testing::TestWithParam<SceneCase> {};

TEST_P(ContourOracle, CachedPictureEqualsLiteralForAnyThreadCount) {
  SimulationOptions options;
  options.scene = GetParam().scene;
  options.resolution = GetParam().resolution;
  options.lines = GetParam().lines;
  options.seed = 11;
  test::SimulatedScan scan;
  ASSERT_NO_FATAL_FAILURE(test::loadSimulatedScan(options, scan));

  for (int inverse : {0, 1}) {
    RenderParams params;
    params.inverse = inverse;
    reference::LiteralContourPainter literal{scan.store, scan.calib, params};
    BitmapTileStore expected;
    const ParallelOptions one{1};
    ASSERT_EQ(
        buildMeshTiles(expected, scan.store, true, {params, MaskRange{}, false, one}, literal), 1);
    for (int threads : {1, 2}) {
      BitmapTileStore actual;
      ASSERT_EQ(
          buildContourPicture(actual, scan.store, scan.calib, params, ParallelOptions{threads}), 1);
      EXPECT_EQ(test::pictureBytes(actual), test::pictureBytes(expected))
          << "threads " << threads << ", inverse " << inverse;
      freeBitmapTiles(actual);
    }
    freeBitmapTiles(expected);
  }
}

// 2 100 lines make two tiles, so the sliding point cache crosses a tile boundary.
INSTANTIATE_TEST_SUITE_P(Scenes, ContourOracle,
                         ::testing::Values(SceneCase{"street", 0.5, 2100},
                                           SceneCase{"hills", 1.0, 300},
                                           SceneCase{"street", 0.25, 200}));

}  // namespace
}  // namespace quorvel
