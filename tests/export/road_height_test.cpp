// The road height raster: the height range with its tail trimming, the 3 x 3 spreading within
// a strip, cell rounding, and whole exports on hand-placed points.
#include "export/road_height_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>

#include "export/map_grid.h"
#include "export/road_height_strip.h"
#include "tests/export/placed_points.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::PlacedPoint;

TEST(HistogramTrimming, OneFullBinStandsAlone) {
  HeightHistogram bins{};
  bins[128] = 1.0;
  int32_t lo = 0, hi = 0;
  trimHistogramTails(bins, lo, hi);
  EXPECT_EQ(lo, 128);
  EXPECT_EQ(hi, 128);
}

TEST(HistogramTrimming, TiesGoToTheUpperEndUntilFivePercent) {
  HeightHistogram bins;
  bins.fill(1.0 / 256);
  int32_t lo = 0, hi = 0;
  trimHistogramTails(bins, lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 242);  // 13 bins of 1/256 reach 5 %
}

TEST(HistogramTrimming, TheSmallerTailGoesFirst) {
  HeightHistogram bins{};
  bins[0] = 0.01;
  bins[1] = 0.03;
  bins[2] = 0.3;
  bins[3] = 0.3;
  bins[4] = 0.3;
  bins[5] = 0.02;
  bins[6] = 0.04;  // empty bins 7 ... 255 are trimmed for free
  int32_t lo = 0, hi = 0;
  trimHistogramTails(bins, lo, hi);
  // Bin 0 (0.01) is smaller than bin 6 (0.04) and goes, then bin 1 (0.03): share 0.04. Then
  // bin 6 is the smaller end and goes: share 0.08.
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 5);
}

TEST(HistogramTrimming, ABinOfFivePercentInTurnStops) {
  HeightHistogram bins{};
  bins[0] = 0.05;
  bins[1] = 0.95;
  int32_t lo = 0, hi = 0;
  trimHistogramTails(bins, lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 1);
}

struct CellCase {
  double sum;
  uint32_t count;
  int value;
};

class CellValue : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellValue, RoundsTheMeanAndCapsAt255) {
  EXPECT_EQ(roadCellValue(GetParam().sum, GetParam().count), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Means, CellValue,
                         ::testing::Values(CellCase{254.5, 1, 255}, CellCase{254.49, 1, 254},
                                           CellCase{509.0, 2, 255}, CellCase{255.9, 1, 255},
                                           CellCase{0.49, 1, 0}, CellCase{0.5, 1, 1},
                                           CellCase{0.0, 0, 0}, CellCase{3.0, 2, 2}));

// Runs the strips of a small plan over binned points and returns the whole raster.
std::vector<unsigned char> stripRaster(const MapParams& params, const StripPlan& plan,
                                       const std::vector<Vec3>& points) {
  RoadHeightStrip strip;
  EXPECT_TRUE(
      strip.allocate(static_cast<size_t>(plan.rowsPerStrip), static_cast<size_t>(params.width)));
  std::vector<unsigned char> raster;
  for (int32_t k = 0; k < plan.strips; ++k) {
    const StripWindow window = stripWindow(plan, k, params.length);
    strip.start(window);
    for (const Vec3& point : points) {
      if (auto cell = binPoint(params, window, point[0], point[1])) {
        strip.addRoadPoint(*cell, point[2]);
      }
    }
    const std::span<const unsigned char> values = strip.finish();
    raster.insert(raster.end(), values.begin(), values.end());
  }
  return raster;
}

MapParams smallGrid() {
  MapParams params;
  params.pixelsize = 1.0;
  params.width = 5;
  params.length = 6;
  return params;
}

// The cells of the raster (width 5) with a non-zero value, as (row, column, value).
std::vector<std::array<int, 3>> filledCells(const std::vector<unsigned char>& raster) {
  std::vector<std::array<int, 3>> cells;
  for (size_t i = 0; i < raster.size(); ++i) {
    if (raster[i]) cells.push_back({int(i / 5), int(i % 5), raster[i]});
  }
  return cells;
}

TEST(RoadHeightStrip, ALonePointFillsA3x3Block) {
  const auto raster = stripRaster(smallGrid(), {1, 6}, {{2.0, 3.0, 40.0}});
  std::vector<std::array<int, 3>> expected;
  for (int r = 2; r <= 4; ++r) {
    for (int c = 1; c <= 3; ++c) expected.push_back({r, c, 40});
  }
  EXPECT_EQ(filledCells(raster), expected);
}

TEST(RoadHeightStrip, NeighboursOfTwoPointsHoldTheRoundedMean) {
  const auto raster = stripRaster(smallGrid(), {1, 6}, {{1.0, 2.0, 10.0}, {3.0, 2.0, 13.0}});
  EXPECT_EQ(raster[2 * 5 + 0], 10);
  EXPECT_EQ(raster[2 * 5 + 2], 12);  // (10 + 13) / 2 + 0.5 = 12.0
  EXPECT_EQ(raster[2 * 5 + 4], 13);
}

TEST(RoadHeightStrip, EdgePointsReachOnlyCellsInsideTheGrid) {
  const auto raster = stripRaster(smallGrid(), {1, 6}, {{0.0, 0.0, 7.0}, {-1.6, 3.0, 9.0}});
  const std::vector<std::array<int, 3>> expected = {{0, 0, 7}, {0, 1, 7}, {1, 0, 7}, {1, 1, 7}};
  EXPECT_EQ(filledCells(raster), expected);  // the point at column -1 reaches nothing
}

TEST(RoadHeightStrip, PointsDoNotCrossStripBoundaries) {
  const StripPlan twoStrips{2, 3};  // rows 0 ... 2 and 3 ... 5
  const auto raster = stripRaster(smallGrid(), twoStrips, {{1.0, 3.0, 20.0}, {3.0, 2.0, 30.0}});
  const std::vector<std::array<int, 3>> expected = {{1, 2, 30}, {1, 3, 30}, {1, 4, 30}, {2, 2, 30},
                                                    {2, 3, 30}, {2, 4, 30}, {3, 0, 20}, {3, 1, 20},
                                                    {3, 2, 20}, {4, 0, 20}, {4, 1, 20}, {4, 2, 20}};
  EXPECT_EQ(filledCells(raster), expected);
}

// Road samples for the height range on even lines: one at 0.0, one at 2.56 (never counted), and
// 20 in each of the bins 100 ... 104. Odd lines hold the given points (or far non-road points).
// The range points lie at x = -50, outside every grid of these tests.
std::vector<PlacedPoint> withRangeSamples(const std::vector<PlacedPoint>& points) {
  std::vector<double> heights = {0.0, 2.56};
  for (int bin = 100; bin <= 104; ++bin) heights.insert(heights.end(), 20, 0.005 + 0.01 * bin);
  std::vector<PlacedPoint> placed;
  for (size_t i = 0; i < heights.size(); ++i) {
    placed.push_back({{-50.0, 100.0, heights[i]}, 2});
    placed.push_back(i < points.size() ? points[i] : PlacedPoint{{-50.0, 100.0, 0.0}, 8});
  }
  return placed;
}

TEST(RoadHeightRange, TrimsToTheBulkOfTheRoadHeights) {
  const test::PlacedScan scan = test::placedScan(withRangeSamples({}));
  double low = 0.0, high = 0.0;
  ASSERT_TRUE(roadHeightRange(scan.sources(), low, high));
  EXPECT_DOUBLE_EQ(low, 0.995);
  EXPECT_DOUBLE_EQ(high, 1.045);
}

TEST(RoadHeightRange, UndefinedWithoutRoadOrHeightSpan) {
  double low = 3.0, high = 4.0;
  const test::PlacedScan flat =
      test::placedScan({{{0, 0, 1.0}, 2}, {{1, 0, 1.0}, 8}, {{2, 0, 1.0}, 2}});
  EXPECT_FALSE(roadHeightRange(flat.sources(), low, high));
  const test::PlacedScan noRoad = test::placedScan({{{0, 0, 1.0}, 8}, {{1, 0, 2.0}, 8}});
  EXPECT_FALSE(roadHeightRange(noRoad.sources(), low, high));
  EXPECT_EQ(low, 3.0);
  EXPECT_EQ(high, 4.0);
}

struct RoadRun {
  Status status;
  std::string header;
  std::vector<unsigned char> raster;
};

// Exports the road raster on a 10 x 10 grid of unit cells at (100, 100).
RoadRun runRoadHeight(const std::vector<PlacedPoint>& points, MaskRange mask = {}) {
  const test::PlacedScan scan = test::placedScan(withRangeSamples(points));
  const std::string dir = test::freshTestDir();
  const std::string chosen = dir + "/road.master";
  test::writeFile(chosen, "ox 100\noy 100\npixelsize 1\nwidth 10\nlength 10\n");
  RoadRun run;
  run.status = exportRoadHeightMap({scan.store, scan.calib, mask}, chosen, chosen);
  run.header = test::fileText(dir + "/road-r.master");
  if (std::filesystem::exists(dir + "/road-r.raw"))
    run.raster = test::readFile(dir + "/road-r.raw");
  return run;
}

// The scaled height of z for the range of withRangeSamples.
int scaledCell(double z) {
  const double oz = 0.995;
  const double demres = (1.045 - 0.995) * 0.00390625;
  return static_cast<int>((z - oz) / demres + 0.5);
}

TEST(RoadHeightExport, ALoneRoadPointGivesA3x3BlockOfItsHeight) {
  const RoadRun run = runRoadHeight({{{104.0, 105.0, 1.02}, 2}});
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  EXPECT_TRUE(
      run.header.starts_with("width\t10\r\nlength\t10\r\nox\t\t100.000000\r\n"
                             "oy\t\t100.000000\r\noz\t\t0.995000\r\n"
                             "pixelsize\t1.000000\r\ndemres\t0.000195\r\n"));
  ASSERT_EQ(run.raster.size(), 100u);
  for (int r = 0; r < 10; ++r) {
    for (int c = 0; c < 10; ++c) {
      const bool inBlock = r >= 4 && r <= 6 && c >= 3 && c <= 5;
      EXPECT_EQ(run.raster[size_t(r * 10 + c)], inBlock ? scaledCell(1.02) : 0) << r << "," << c;
    }
  }
}

TEST(RoadHeightExport, OutliersNonRoadAndMaskBandSamplesNeverContribute) {
  const std::vector<PlacedPoint> points = {
      {{102.0, 102.0, 2.0}, 2},   // far above the range
      {{106.0, 106.0, 0.5}, 2},   // below it
      {{104.0, 104.0, 1.02}, 8},  // not road
  };
  const RoadRun run = runRoadHeight(points);
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  EXPECT_EQ(std::count(run.raster.begin(), run.raster.end(), 0), 100);
  const RoadRun banded = runRoadHeight({{{104.0, 105.0, 1.02}, 2}}, MaskRange{0, 0});
  ASSERT_TRUE(banded.status.ok()) << banded.status.reason;
  EXPECT_EQ(std::count(banded.raster.begin(), banded.raster.end(), 0), 100);
}

TEST(RoadHeightExport, WritesNothingWithoutAHeightRange) {
  const test::PlacedScan scan = test::placedScan({{{0, 0, 1.0}, 2}, {{5, 5, 1.0}, 2}});
  const std::string dir = test::freshTestDir();
  EXPECT_FALSE(exportRoadHeightMap(scan.sources(), dir + "/r.master", "").ok());
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace quorvel
