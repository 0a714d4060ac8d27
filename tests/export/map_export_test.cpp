// The count and road height rasters on hand-placed points: counts and their cap, the grid a
// template gives or refuses, the road height range with its tail trimming, the 3 x 3 spreading
// within a strip, cell rounding, and the points that never contribute.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <numeric>

#include "export/count_map_export.h"
#include "export/road_height_export.h"
#include "export/road_height_range.h"
#include "export/road_height_strip.h"
#include "tests/export/placed_points.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::PlacedPoint;

struct MapRun {
  Status status;
  std::string header;
  std::vector<unsigned char> raster;
  bool wroteNothing = false;
};

// Exports the raster for DIR/area.master with the template text written there first; kind is
// "h" (count) or "r" (road height).
MapRun runMap(const std::vector<PlacedPoint>& points, const char* templateText, const char* kind) {
  const test::PlacedScan scan = test::placedScan(points);
  const std::string dir = test::freshTestDir(), chosen = dir + "/area.master";
  const std::string base = dir + "/area-" + kind;
  test::writeFile(chosen, templateText);
  MapRun run;
  run.status = *kind == 'h' ? exportCountMap(scan.sources(), chosen, chosen)
                            : exportRoadHeightMap(scan.sources(), chosen, chosen);
  run.header = test::fileText(base + ".master");
  if (std::filesystem::exists(base + ".raw")) run.raster = test::readFile(base + ".raw");
  run.wroteNothing = run.header.empty() && !std::filesystem::exists(base + ".raw");
  EXPECT_EQ(test::fileText(chosen), templateText);  // the template stays as it was
  return run;
}

// Non-road points: two in one cell, 301 in another (capped at 255); road points count for the
// extent only, one far in x.
TEST(CountMap, CountsUpTo255OnTheGridTheTemplateGivesOrWritesNothing) {
  std::vector<PlacedPoint> points = {
      {{1, 2, 0}, 8}, {{1, 2, 0.5}, 4}, {{2, 2, 0}, 2}, {{3, 4.5, 0}, 8}, {{9, 2, 0}, 2}};
  points.insert(points.end(), 300, PlacedPoint{{3.0, 4.5, 0.0}, 5});
  struct Case {
    const char* text;
    const char* header;  // how the written header starts; nullptr: the export writes nothing
    size_t cells, twoAt;
  };
  const Case cases[] = {
      {"pixelsize 0.5\n",  // the extent of 16 x 5 cells gives 24 x 8
       "width\t24\r\nlength\t8\r\nox\t\t1.000000\r\noy\t\t2.000000\r\npixelsize\t0.500000\r\n"
       "byteperpixel\t1\r\n",
       24 * 8, 0},
      {"width 640\nlength 480\n", "width\t640\r\nlength\t480\r\nox\t\t1.0", 640 * 480, 0},
      {"ox 0.0\noy 0.0\n", "width\t88\r\nlength\t32\r\nox\t\t1.000000\r\noy\t\t2.0", 88 * 32, 0},
      {"ox 0.5\npixelsize 0.5\n", "width\t24\r\nlength\t16\r\nox\t\t0.500000\r\noy\t\t0.000000",
       24 * 16, 4 * 24 + 1},
      {"width 32\n", "width\t32\r\nlength\t0\r\n", 0, 0},
      {"width -8\nlength 8\n", "width\t-8\r\n", 0, 0},
      {"pixelsize 0\n", nullptr, 0, 0},
      {"width 65536\nlength 32768\n", nullptr, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const MapRun run = runMap(points, c.text, "h");
    EXPECT_EQ(run.status.ok(), c.header != nullptr) << run.status.reason;
    EXPECT_EQ(run.wroteNothing, c.header == nullptr);
    if (!c.header) continue;
    EXPECT_TRUE(run.header.starts_with(c.header)) << run.header;
    ASSERT_EQ(run.raster.size(), c.cells);
    if (c.cells == 0) continue;
    EXPECT_EQ(run.raster[c.twoAt], 2);
    EXPECT_EQ(std::accumulate(run.raster.begin(), run.raster.end(), 0), 2 + 255);
  }
}

TEST(HistogramTrimming, SmallerEndFirstTiesUpperStopsAtFivePercent) {
  struct Case {
    std::vector<std::pair<int, double>> bins;  // the non-empty ones
    int32_t lo, hi;
  };
  const Case cases[] = {
      {{{128, 1.0}}, 128, 128},
      // the empty upper bins go first; then of two equal ends (0.04) the upper one: 0.04, then
      // bin 0: 0.08
      {{{0, 0.04}, {1, 0.02}, {2, 0.9}, {3, 0.04}}, 1, 2},
      // 0 (0.01) goes before 6 (0.04), then 1 (0.03): 0.04; then 6 is the smaller end: 0.08.
      {{{0, 0.01}, {1, 0.03}, {2, 0.3}, {3, 0.3}, {4, 0.3}, {5, 0.02}, {6, 0.04}}, 2, 5},
      {{{0, 0.05}, {1, 0.95}}, 0, 1},  // a bin of 5 % in turn stops
  };
  for (const Case& c : cases) {
    HeightHistogram bins{};
    for (auto [b, share] : c.bins) bins[size_t(b)] = share;
    int32_t lo = -1, hi = -1;
    trimHistogramTails(bins, lo, hi);
    EXPECT_EQ(std::pair(lo, hi), std::pair(c.lo, c.hi));
  }
}

TEST(RoadCellValue, RoundsTheMeanAndCapsAt255) {
  const std::tuple<double, uint32_t, int> cases[] = {
      {254.5, 1, 255}, {254.49, 1, 254}, {509.0, 2, 255}, {255.9, 1, 255},
      {0.49, 1, 0},    {0.5, 1, 1},      {0.0, 0, 0},     {3.0, 2, 2}};
  for (auto [sum, count, value] : cases) EXPECT_EQ(roadCellValue(sum, count), value) << sum;
}

// Two strips (rows 0 ... 2 and 3 ... 5) of a 5 x 6 grid of unit cells: each point reaches the
// cells of its 3 x 3 block inside the grid and inside its own strip; shared cells take the
// rounded mean.
TEST(RoadHeightStrip, SpreadsEachPointOverItsBlockWithinTheStrip) {
  const MapParams params{0, 0, 0, 1.0, 0, 5, 6};
  const std::vector<Vec3> points = {{0, 0, 7},  {-1.6, 3, 9}, {1, 3, 20},
                                    {4, 2, 30}, {1, 5, 10},   {3, 5, 13}};
  RoadHeightStrip strip;
  ASSERT_TRUE(strip.allocate(3, 5));
  std::vector<std::array<int, 3>> filled;  // (row, column, value)
  for (int32_t k = 0; k < 2; ++k) {
    const StripWindow window = stripWindow({2, 3}, k, params.length);
    ASSERT_TRUE(strip.start(window));
    for (const Vec3& p : points) {
      if (auto cell = binPoint(params, window, p[0], p[1])) strip.addRoadPoint(*cell, p[2]);
    }
    const std::span<const unsigned char> values = strip.finish();
    for (size_t i = 0; i < values.size(); ++i) {
      if (values[i]) filled.push_back({int(i / 5) + window.firstRow, int(i % 5), values[i]});
    }
  }
  const std::vector<std::array<int, 3>> expected = {
      {0, 0, 7},  {0, 1, 7},  {1, 0, 7},  {1, 1, 7},  {1, 3, 30}, {1, 4, 30}, {2, 3, 30},
      {2, 4, 30}, {3, 0, 20}, {3, 1, 20}, {3, 2, 20}, {4, 0, 15}, {4, 1, 15}, {4, 2, 14},
      {4, 3, 13}, {4, 4, 13}, {5, 0, 10}, {5, 1, 10}, {5, 2, 12}, {5, 3, 13}, {5, 4, 13}};
  EXPECT_EQ(filled, expected);
}

TEST(RoadHeightRange, UndefinedWithoutRoadOfTwoHeightsOrWithoutTheMask) {
  const std::vector<PlacedPoint> flat = {{{0, 0, 1.0}, 2}, {{1, 0, 1.0}, 8}, {{2, 0, 1.0}, 2}};
  test::PlacedScan scans[] = {test::placedScan(flat), test::placedScan(flat),
                              test::placedScan({{{0, 0, 1.0}, 8}, {{1, 0, 2.0}, 8}})};
  scans[1].store.lineSegmentMask.reset();
  for (const test::PlacedScan& scan : scans) {
    double low = 3.0, high = 4.0;
    EXPECT_FALSE(roadHeightRange(scan.sources(), low, high));
    EXPECT_EQ(std::pair(low, high), std::pair(3.0, 4.0));
  }
  const MapRun run = runMap(flat, "", "r");
  EXPECT_EQ(run.status.reason,
            "no road height range; expected road samples of more than one height; every second "
            "line and column");
  EXPECT_TRUE(run.wroteNothing);
}

// The odd lines hold the points, the even ones the road samples of the height range: one at
// 0.0, one at 2.56 (the highest, never counted) and 20 in each of the bins 100 ... 104, which
// trim to 0.995 ... 1.045. On a 10 x 10 grid of unit cells at (100, 100) a lone road point fills
// its 3 x 3 block; road points beyond the range and non-road points contribute nothing.
TEST(RoadHeightMap, OnlyRoadPointsWithinTheRangeContribute) {
  const std::vector<PlacedPoint> points = {
      {{104, 105, 1.02}, 2}, {{102, 102, 2.0}, 2}, {{108, 108, 0.5}, 2}, {{101, 108, 1.02}, 8}};
  std::vector<double> heights = {0.0, 2.56};
  for (int bin = 100; bin <= 104; ++bin) heights.insert(heights.end(), 20, 0.005 + 0.01 * bin);
  std::vector<PlacedPoint> placed;
  for (size_t i = 0; i < heights.size(); ++i) {
    placed.push_back({{-50.0, 100.0, heights[i]}, 2});  // outside the grid
    placed.push_back(i < points.size() ? points[i] : PlacedPoint{{-50.0, 100.0, 0.0}, 8});
  }
  const MapRun run = runMap(placed, "ox 100\noy 100\npixelsize 1\nwidth 10\nlength 10\n", "r");
  ASSERT_TRUE(run.status.ok()) << run.status.reason;
  EXPECT_TRUE(run.header.starts_with(
      "width\t10\r\nlength\t10\r\nox\t\t100.000000\r\noy\t\t100.000000\r\noz\t\t0.995000\r\n"
      "pixelsize\t1.000000\r\ndemres\t0.000195\r\n"));
  const int value = static_cast<int>((1.02 - 0.995) / ((1.045 - 0.995) / 256) + 0.5);
  std::vector<unsigned char> expected(100, 0);
  for (int r = 4; r <= 6; ++r) {
    for (int c = 3; c <= 5; ++c) expected[size_t(r * 10 + c)] = static_cast<unsigned char>(value);
  }
  EXPECT_EQ(run.raster, expected);
}

}  // namespace
}  // namespace quorvel
