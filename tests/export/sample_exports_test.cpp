// Every export of a simulated street scan opens as its format says: the .raw files hold
// width x length bytes of their .master, the .pt3d files whole records, the DS files whole
// records that load again.
#include <gtest/gtest.h>

#include <filesystem>

#include "export/count_map_export.h"
#include "export/ds_export.h"
#include "export/map_params.h"
#include "export/pt3d_export.h"
#include "export/road_height_export.h"
#include "features/variance_map.h"
#include "scan/ds_file.h"
#include "segment/line_segger.h"
#include "tests/support/simulated_scan.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

class SampleExports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SimulationOptions options;
    options.lines = 240;
    options.seed = 3;
    scan_ = new test::SimulatedScan;
    test::loadSimulatedScan(options, *scan_);
    ASSERT_EQ(computeVarianceMap(scan_->store, scan_->calib, SegmentParams{}, ParallelOptions{}),
              1);
    ASSERT_EQ(segmentLines(scan_->store, scan_->calib, ParallelOptions{}), 1);
  }
  static void TearDownTestSuite() {
    delete scan_;
    scan_ = nullptr;
  }
  static ExportSources sources() { return {scan_->store, scan_->calib, MaskRange{}}; }

  static test::SimulatedScan* scan_;
};

test::SimulatedScan* SampleExports::scan_ = nullptr;

// Checks that BASE.raw holds width x length bytes of BASE.master and has some non-zero cell.
void expectRasterMatchesHeader(const std::string& base) {
  MapParams params;
  ASSERT_EQ(ReadMapTemplate(base + ".master", params), 1);
  EXPECT_GT(params.width, 0);
  EXPECT_GT(params.length, 0);
  const std::vector<unsigned char> raster = test::readFile(base + ".raw");
  EXPECT_EQ(raster.size(), static_cast<size_t>(params.width) * static_cast<size_t>(params.length));
  EXPECT_NE(std::count(raster.begin(), raster.end(), 0), static_cast<long>(raster.size()));
}

TEST_F(SampleExports, MapRastersMatchTheirHeaders) {
  const std::string dir = test::freshTestDir();
  ASSERT_TRUE(exportCountMap(sources(), dir + "/map.master", dir + "/map.master").ok());
  ASSERT_TRUE(exportRoadHeightMap(sources(), dir + "/map.master", dir + "/map.master").ok());
  expectRasterMatchesHeader(dir + "/map-h");
  expectRasterMatchesHeader(dir + "/map-r");
}

TEST_F(SampleExports, PointFilesHoldWholeRecords) {
  const std::string dir = test::freshTestDir();
  ASSERT_TRUE(exportPt3dByNormal(sources(), dir + "/normal.pt3d").ok());
  ASSERT_TRUE(exportPt3dByClass(sources(), dir + "/class.pt3d").ok());
  const auto normal = std::filesystem::file_size(dir + "/normal.pt3d");
  EXPECT_GT(normal, 0u);
  EXPECT_EQ(normal % PT3D_RECORD_SIZE, 0u);
  EXPECT_EQ(std::filesystem::file_size(dir + "/class.pt3d"), normal);
}

TEST_F(SampleExports, DsFilesLoadAgain) {
  const std::string dir = test::freshTestDir();
  ASSERT_TRUE(exportSelectedDs(sources(), dir + "/road.ds", RoadSelection::Road).ok());
  ASSERT_TRUE(exportSelectedDs(sources(), dir + "/nonroad.ds", RoadSelection::NonRoad).ok());
  for (const char* name : {"/road.ds", "/nonroad.ds"}) {
    const std::vector<unsigned char> bytes = test::readFile(dir + name);
    EXPECT_EQ(bytes.size(), DS_HEADER_SIZE + 240u * static_cast<size_t>(scan_->store.recordSize));
    DsContents reloaded;
    ASSERT_TRUE(parseDsFile(bytes, reloaded).ok());
    EXPECT_EQ(reloaded.lines.size(), 40u);
  }
}

}  // namespace
}  // namespace quorvel
