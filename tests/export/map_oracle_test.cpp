// The map exports, which reconstruct and bin the points once in parallel, against the literal
// rasters that rebin every point for every strip: simulated street and hills, with and without a
// mask band, on the fitted grid and on a fine grid of two strips, one and two threads.
#include <gtest/gtest.h>

#include "export/count_map_export.h"
#include "export/road_height_export.h"
#include "export/road_height_range.h"
#include "features/segment_params.h"
#include "features/variance_map.h"
#include "segment/line_segger.h"
#include "tests/reference/map_reference.h"
#include "tests/support/simulated_scan.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

struct MapScene {
  const char* scene;
  double resolution;
  int lines;
  const char* finePixelsize;  // a grid of more than 2^24 cells: strips
};

class MapOracle : public ::testing::TestWithParam<MapScene> {};

TEST_P(MapOracle, RastersEqualTheLiteralOnes) {
  SimulationOptions options;
  options.scene = GetParam().scene;
  options.resolution = GetParam().resolution;
  options.lines = GetParam().lines;
  test::SimulatedScan scan;
  test::loadSimulatedScan(options, scan);
  ASSERT_EQ(segmentLines(scan.store, scan.calib, ParallelOptions{}), 1);
  const std::string dir = test::freshTestDir();
  test::writeFile(dir + "/fine.master", std::string("pixelsize ") + GetParam().finePixelsize);
  struct Case {
    const char* grid;
    MaskRange mask;
    int threads;
  };
  for (const Case& c : {Case{"/none.master", MaskRange{}, 1}, Case{"/none.master", {5, 40}, 2},
                        Case{"/fine.master", MaskRange{}, 2}}) {
    const ExportSources sources{scan.store, scan.calib, c.mask, 0, ParallelOptions{c.threads}};
    const std::string chosen = dir + "/map.master", templatePath = dir + c.grid;
    SCOPED_TRACE(std::string(c.grid) + " threads " + std::to_string(c.threads));
    ASSERT_TRUE(exportCountMap(sources, chosen, templatePath).ok());
    MapExportSetup setup;
    ASSERT_TRUE(prepareMapExport(sources, ExportKind::CountMap, chosen, templatePath,
                                 MapCoverage::WholeGrid, setup)
                    .ok());
    EXPECT_EQ(setup.plan.strips > 1, std::string(c.grid) == "/fine.master");
    EXPECT_TRUE(test::readFile(dir + "/map-h.raw") == reference::countRaster(sources, setup));
    ASSERT_TRUE(exportRoadHeightMap(sources, chosen, templatePath).ok());
    ASSERT_TRUE(prepareMapExport(sources, ExportKind::RoadHeightMap, chosen, templatePath,
                                 MapCoverage::WholeGrid, setup)
                    .ok());
    double low = 0, high = 0;
    ASSERT_TRUE(roadHeightRange(sources, low, high));
    setup.params.oz = low;
    setup.params.demres = (high - low) * 0.00390625;
    EXPECT_TRUE(test::readFile(dir + "/map-r.raw") == reference::roadRaster(sources, setup));
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, MapOracle,
                         ::testing::Values(MapScene{"street", 0.5, 240, "0.0055"},
                                           MapScene{"hills", 0.25, 160, "0.0028"}),
                         [](const auto& info) { return std::string(info.param.scene); });

}  // namespace
}  // namespace quorvel
