// The count raster on hand-placed points: cell counts, the 255 cap, naming, templates and the
// cases that write nothing.
#include "export/count_map_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "export/point_bounds.h"
#include "tests/export/placed_points.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::PlacedPoint;

// Two points in the first cell, a road point, one more point, and a road point far in x.
std::vector<PlacedPoint> cellPoints() {
  return {{{1.0, 2.0, 0.0}, 8},
          {{1.0, 2.0, 0.5}, 4},
          {{2.0, 2.0, 0.0}, 2},
          {{3.0, 4.5, 0.0}, 8},
          {{9.0, 2.0, 0.0}, 2}};
}

struct MapRun {
  std::string dir;
  Status status;
  std::string header;
  std::vector<unsigned char> raster;
};

// Exports the count raster for DIR/area.master, first writing the template there if given.
MapRun runCountMap(const test::PlacedScan& scan, const char* templateText = nullptr) {
  MapRun run;
  run.dir = test::freshTestDir();
  const std::string chosen = run.dir + "/area.master";
  if (templateText) test::writeFile(chosen, templateText);
  run.status = exportCountMap(scan.sources(), chosen, chosen);
  run.header = test::fileText(run.dir + "/area-h.master");
  if (std::filesystem::exists(run.dir + "/area-h.raw")) {
    run.raster = test::readFile(run.dir + "/area-h.raw");
  }
  return run;
}

TEST(PointBounds, CoversTheValidPointsOfEvenColumns) {
  const test::PlacedScan scan = test::placedScan(cellPoints());
  Vec3 max, min;
  ASSERT_EQ(pointBounds(scan.sources(), max, min), 1);
  EXPECT_EQ(max, (Vec3{9.0, 4.5, 0.5}));
  EXPECT_EQ(min, (Vec3{1.0, 2.0, 0.0}));
  const ScanStore empty;
  const ExportSources none{empty, scan.calib, MaskRange{}};
  max = {7, 7, 7};
  EXPECT_EQ(pointBounds(none, max, min), 0);
  EXPECT_EQ(max, (Vec3{7, 7, 7}));
}

TEST(CountMapExport, CountsTheNonRoadPointsOfEachCell) {
  const MapRun run = runCountMap(test::placedScan(cellPoints()), "pixelsize 0.5\n");
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  // Extent 16 x 5 cells (the road point far in x counts for the extent): 24 x 8.
  EXPECT_EQ(run.header,
            "width\t24\r\nlength\t8\r\nox\t\t1.000000\r\noy\t\t2.000000\r\n"
            "pixelsize\t0.500000\r\nbyteperpixel\t1\r\n");
  ASSERT_EQ(run.raster.size(), 24u * 8u);
  std::vector<unsigned char> expected(24 * 8, 0);
  expected[0] = 2;
  expected[5 * 24 + 4] = 1;
  EXPECT_EQ(run.raster, expected);
  EXPECT_EQ(test::fileText(run.dir + "/area.master"), "pixelsize 0.5\n");  // left as it was
}

TEST(CountMapExport, CapsCountsAt255) {
  std::vector<PlacedPoint> points(300, PlacedPoint{{5.0, 5.0, 0.0}, 8});
  points.push_back({{5.3, 5.0, 0.0}, 8});
  const MapRun run = runCountMap(test::placedScan(points), "pixelsize 0.25\n");
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  ASSERT_EQ(run.raster.size(), 64u);
  EXPECT_EQ(run.raster[0], 255);
  EXPECT_EQ(run.raster[1], 1);
}

TEST(CountMapExport, MaskBandSamplesNeverCount) {
  test::PlacedScan scan = test::placedScan(cellPoints());
  const std::string dir = test::freshTestDir();
  const ExportSources banded{scan.store, scan.calib, MaskRange{0, 0}};
  ASSERT_TRUE(exportCountMap(banded, dir + "/m.master", "").ok());
  const std::vector<unsigned char> raster = test::readFile(dir + "/m-h.raw");
  EXPECT_FALSE(raster.empty());
  EXPECT_EQ(std::count(raster.begin(), raster.end(), 0), static_cast<long>(raster.size()));
}

TEST(CountMapExport, TemplateSizeWithoutOriginTakesTheDataMinimum) {
  const MapRun run = runCountMap(test::placedScan(cellPoints()), "width 640\nlength 480\n");
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  EXPECT_TRUE(
      run.header.starts_with("width\t640\r\nlength\t480\r\nox\t\t1.000000\r\noy\t\t2.000000\r\n"));
  EXPECT_EQ(run.raster.size(), 640u * 480u);
}

TEST(CountMapExport, ExplicitZeroOriginCountsAsNone) {
  const MapRun run = runCountMap(test::placedScan(cellPoints()), "ox 0.0\noy 0.0\n");
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  EXPECT_NE(run.header.find("ox\t\t1.000000\r\noy\t\t2.000000\r\n"), std::string::npos);
}

TEST(CountMapExport, OxWithoutOyKeepsOyZero) {
  const MapRun run = runCountMap(test::placedScan(cellPoints()), "ox 0.5\npixelsize 0.5\n");
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  // Extent in x (9.0 - 0.5) / 0.5 = 17 -> 24; in y 4.5 / 0.5 = 9 -> 16.
  EXPECT_TRUE(run.header.starts_with(
      "width\t24\r\nlength\t16\r\nox\t\t0.500000\r\noy\t\t0.000000\r\npixel"));
  EXPECT_EQ(run.raster.size(), 24u * 16u);
  EXPECT_EQ(run.raster[4 * 24 + 1], 2);  // (1.0, 2.0): column 1, row 4
}

TEST(CountMapExport, OnlyWidthGivesAnEmptyRaster) {
  const MapRun run = runCountMap(test::placedScan(cellPoints()), "width 32\n");
  EXPECT_TRUE(run.status.ok()) << run.status.reason;
  EXPECT_TRUE(run.header.starts_with("width\t32\r\nlength\t0\r\n"));
  EXPECT_TRUE(std::filesystem::exists(run.dir + "/area-h.raw"));
  EXPECT_TRUE(run.raster.empty());
}

// 4096 x 4097 cells make two strips of 2049 rows; points on both sides of the strip boundary and
// in the last row each count once, a point one row beyond the grid not at all.
TEST(CountMapExport, CountsPointsInEveryStrip) {
  const std::vector<PlacedPoint> points = {{{1.5, 2048.5, 0.0}, 8},
                                           {{2.5, 2049.5, 0.0}, 8},
                                           {{3.5, 4096.5, 0.0}, 8},
                                           {{4.5, 4097.5, 0.0}, 8}};
  const MapRun run = runCountMap(test::placedScan(points),
                                 "ox 0.5\noy 0.5\npixelsize 1\nwidth 4096\nlength 4097\n");
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  ASSERT_EQ(run.raster.size(), 4096u * 4097u);
  EXPECT_EQ(run.raster[2048u * 4096u + 1], 1);
  EXPECT_EQ(run.raster[2049u * 4096u + 2], 1);
  EXPECT_EQ(run.raster[4096u * 4096u + 3], 1);
  EXPECT_EQ(std::count(run.raster.begin(), run.raster.end(), 0), 4096l * 4097l - 3);
}

class UnusableTemplate : public ::testing::TestWithParam<const char*> {};

TEST_P(UnusableTemplate, WritesNothing) {
  const MapRun run = runCountMap(test::placedScan(cellPoints()), GetParam());
  EXPECT_FALSE(run.status.ok());
  EXPECT_FALSE(std::filesystem::exists(run.dir + "/area-h.master"));
  EXPECT_FALSE(std::filesystem::exists(run.dir + "/area-h.raw"));
}

INSTANTIATE_TEST_SUITE_P(Templates, UnusableTemplate,
                         ::testing::Values("pixelsize 0\n", "pixelsize -1\n", "pixelsize inf\n",
                                           "pixelsize 1e-300\n", "width 65536\nlength 32768\n"));

TEST(CountMapExport, NegativeSizesGiveAnEmptyRaster) {
  const MapRun run = runCountMap(test::placedScan(cellPoints()), "width -8\nlength 8\n");
  EXPECT_TRUE(run.status.ok()) << run.status.reason;
  EXPECT_TRUE(run.header.starts_with("width\t-8\r\n"));
  EXPECT_TRUE(run.raster.empty());
}

TEST(CountMapExport, NothingWithoutScanLinesOrMask) {
  const std::string dir = test::freshTestDir();
  const ScanStore empty;
  const SensorCalib calib;
  EXPECT_FALSE(exportCountMap({empty, calib, MaskRange{}}, dir + "/a.master", "").ok());
  test::PlacedScan scan = test::placedScan(cellPoints());
  scan.store.lineSegmentMask.reset();
  EXPECT_FALSE(exportCountMap(scan.sources(), dir + "/a.master", "").ok());
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(CountMapExport, OverlongNamesWriteNothing) {
  const test::PlacedScan scan = test::placedScan(cellPoints());
  const std::string dir = test::freshTestDir();
  const std::string chosen = dir + "/" + std::string(259 - dir.size() - 9, 'a') + ".master";
  EXPECT_FALSE(exportCountMap(scan.sources(), chosen, "").ok());  // header name of 260 characters
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace quorvel
