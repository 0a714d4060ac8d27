// The map grid: size from the extent, origin rules, the strip plan, binning, output names and
// the header text.
#include "export/map_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "export/map_files.h"

namespace quorvel {
namespace {

// The strip plan, or none when planStrips refuses the size.
std::optional<StripPlan> plannedStrips(int32_t width, int32_t length) {
  StripPlan plan;
  if (!planStrips(width, length, plan).ok()) return std::nullopt;
  return plan;
}

struct ExtentCase {
  double extent;  // in cells
  int32_t size;
};

class GridSize : public ::testing::TestWithParam<ExtentCase> {};

TEST_P(GridSize, IsTheSmallestMultipleOfEightBeyondTheExtent) {
  MapParams params;
  params.pixelsize = 0.5;
  const Vec3 min{2.0, -3.0, 0.0};
  const Vec3 max{2.0 + GetParam().extent * 0.5, -3.0 + GetParam().extent * 0.5, 0.0};
  ASSERT_TRUE(fitMapGrid(max, min, params).ok());
  EXPECT_EQ(params.ox, 2.0);
  EXPECT_EQ(params.oy, -3.0);
  EXPECT_EQ(params.width, GetParam().size);
  EXPECT_EQ(params.length, GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Extents, GridSize,
                         ::testing::Values(ExtentCase{100, 104}, ExtentCase{96, 104},
                                           ExtentCase{0, 8}, ExtentCase{7.5, 8},
                                           ExtentCase{8, 16}));

TEST(MapGrid, KeepsAGivenOriginAndSize) {
  MapParams params;
  params.ox = 1.0;
  params.width = 640;
  params.length = 480;
  ASSERT_TRUE(fitMapGrid({50, 60, 0}, {10, 20, 0}, params).ok());
  EXPECT_EQ(params.ox, 1.0);
  EXPECT_EQ(params.oy, 0.0);  // ox given, oy not: oy stays 0.0
  EXPECT_EQ(params.width, 640);
  EXPECT_EQ(params.length, 480);
}

TEST(MapGrid, RejectsSizesBeyond32Bits) {
  MapParams params;
  params.pixelsize = 1e-12;
  EXPECT_FALSE(fitMapGrid({50, 60, 0}, {10, 20, 0}, params).ok());
  params.pixelsize = 3e-18;  // about 2^60.5 eighths: beyond 64 bits once multiplied by 8
  EXPECT_FALSE(fitMapGrid({50, 60, 0}, {10, 20, 0}, params).ok());
  params.ox = 90;  // as far to the right of the data: the same size, negative
  EXPECT_FALSE(fitMapGrid({50, 60, 0}, {10, 20, 0}, params).ok());
}

TEST(MapGrid, NegativeExtentGivesANegativeSizeAndNoStrip) {
  MapParams params;
  params.ox = 100.0;
  params.oy = 100.0;
  params.pixelsize = 1.0;
  ASSERT_TRUE(fitMapGrid({60, 70, 0}, {10, 20, 0}, params).ok());
  EXPECT_EQ(params.width, -32);   // (1 - t(5.0)) x 8
  EXPECT_EQ(params.length, -16);  // (1 - t(3.75)) x 8
  EXPECT_EQ(plannedStrips(params.width, params.length)->strips, 0);
}

struct PlanCase {
  int32_t width;
  int32_t length;
  int32_t strips;
  int32_t rowsPerStrip;
};

class StripPlanning : public ::testing::TestWithParam<PlanCase> {};

TEST_P(StripPlanning, CutsTheRasterInto2To24CellStrips) {
  const std::optional<StripPlan> plan = plannedStrips(GetParam().width, GetParam().length);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->strips, GetParam().strips);
  EXPECT_EQ(plan->rowsPerStrip, GetParam().rowsPerStrip);
}

INSTANTIATE_TEST_SUITE_P(Sizes, StripPlanning,
                         ::testing::Values(PlanCase{640, 480, 1, 480},
                                           PlanCase{4096, 4095, 1, 4095},
                                           PlanCase{4096, 4096, 2, 2048},
                                           PlanCase{4096, 8192, 3, 2731},
                                           PlanCase{1 << 20, 5, 1, 5}, PlanCase{1 << 25, 8, 17, 1},
                                           PlanCase{0, 5, 0, 0}, PlanCase{5, -1, 0, 0}));

TEST(StripPlanning, RefusesProductsOf2To31OrMore) {
  EXPECT_FALSE(plannedStrips(65536, 32768));
  EXPECT_TRUE(plannedStrips(65536, 32767));
}

TEST(StripPlanning, StripsBeyondTheLastRowAreEmpty) {
  const StripPlan plan = *plannedStrips(1 << 25, 8);  // 17 strips of one row
  const StripWindow last = stripWindow(plan, 7, 8);
  EXPECT_EQ(last.firstRow, 7);
  EXPECT_EQ(last.rows, 1);
  for (int32_t k = 8; k < plan.strips; ++k) EXPECT_EQ(stripWindow(plan, k, 8).rows, 0);
}

TEST(StripPlanning, TheLastStripHoldsTheRemainingRows) {
  const StripPlan plan = *plannedStrips(4096, 8192);
  EXPECT_EQ(stripWindow(plan, 1, 8192).firstRow, 2731);
  EXPECT_EQ(stripWindow(plan, 2, 8192).rows, 8192 - 2 * 2731);
}

struct BinCase {
  double x, y;
  bool lands;
  int32_t row, column;
};

class Binning : public ::testing::TestWithParam<BinCase> {};

TEST_P(Binning, TruncatesTowardZero) {
  MapParams params;
  params.ox = 10.0;
  params.oy = 20.0;
  params.pixelsize = 0.5;
  params.width = 4;
  params.length = 6;
  const StripWindow window{2, 3};  // rows 2 ... 4
  const BinCase& c = GetParam();
  const std::optional<GridCell> cell = binPoint(params, window, c.x, c.y);
  ASSERT_EQ(cell.has_value(), c.lands);
  if (!cell) return;
  EXPECT_EQ(cell->row, c.row);
  EXPECT_EQ(cell->column, c.column);
}

INSTANTIATE_TEST_SUITE_P(
    Points, Binning,
    ::testing::Values(BinCase{10.0, 21.0, true, 0, 0},
                      BinCase{9.3, 21.0, true, 0, 0},  // -1.4 + 0.5 -> 0
                      BinCase{9.2, 21.0, false, 0, 0}, BinCase{11.7, 22.2, true, 2, 3},
                      BinCase{11.75, 21.0, false, 0, 0}, BinCase{10.0, 20.7, false, 0, 0},  // row 1
                      BinCase{10.0, 22.3, false, 0, 0},                                     // row 5
                      BinCase{1e300, 21.0, false, 0, 0}, BinCase{std::nan(""), 21.0, false, 0, 0}));

TEST(MapFileNames, ReplaceTheExtensionWithSuffixAndExtensions) {
  const std::optional<MapFileNames> names = mapFileNames("/maps/area.master", "-h");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->header, "/maps/area-h.master");
  EXPECT_EQ(names->raster, "/maps/area-h.raw");
  EXPECT_EQ(mapFileNames("/maps/area", "-r")->raster, "/maps/area-r.raw");
  EXPECT_EQ(mapFileNames("/maps.d/area", "-r")->header, "/maps-r.master");
}

TEST(MapFileNames, MustFitThePathBuffer) {
  const std::string folder = "/" + std::string(240, 'd') + "/";
  EXPECT_TRUE(mapFileNames(folder + "abcdefgh.x", "-h"));    // header name of 259 characters
  EXPECT_FALSE(mapFileNames(folder + "abcdefghi.x", "-h"));  // 260
  EXPECT_FALSE(mapFileNames(std::string(260, 'a'), "-h"));   // chosen path too long already
}

TEST(MapHeader, CountRasterHasSixCrLfLines) {
  MapParams params;
  params.width = 104;
  params.length = 8;
  params.ox = 100.5;
  params.oy = -2.0;
  EXPECT_EQ(mapHeaderText(params, MapHeaderKind::Count),
            "width\t104\r\nlength\t8\r\nox\t\t100.500000\r\noy\t\t-2.000000\r\n"
            "pixelsize\t0.100000\r\nbyteperpixel\t1\r\n");
}

TEST(MapHeader, RoadRasterAddsHeightLines) {
  MapParams params;
  params.oz = 1.25;
  params.demres = 0.5;
  params.ox = 1e20;
  EXPECT_EQ(mapHeaderText(params, MapHeaderKind::RoadHeight),
            "width\t0\r\nlength\t0\r\nox\t\t100000000000000000000.000000\r\n"
            "oy\t\t0.000000\r\noz\t\t1.250000\r\npixelsize\t0.100000\r\n"
            "demres\t0.500000\r\nbyteperpixel\t1\r\n");
}

}  // namespace
}  // namespace quorvel
