// The pictures beyond what the drives show: tile geometry up to several tiles, the builders that
// build nothing without their input, the regions picture's colours, the tile store's
// bookkeeping, the contour picture's edge thresholds, and the variance bands of extreme values.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "features/variance_map.h"
#include "platform/headless/headless_platform.h"
#include "render/contour_picture.h"
#include "render/normal_picture.h"
#include "render/range_picture.h"
#include "render/region_picture.h"
#include "render/segment_picture.h"
#include "render/variance_picture.h"
#include "segment/region_segmentation.h"
#include "tests/support/grid_store.h"
#include "tests/support/picture_pixels.h"
#include "tests/support/simulated_scan.h"

namespace quorvel {
namespace {

using test::grey;
using test::pixelAt;

// Raw range (l mod 250) + 1 with unit 1 and grey scale 1: a column's grey tells its line.
int16_t lineMarker(int32_t l, int32_t) {
  return static_cast<int16_t>(l % 250 + 1);
}

TEST(Picture, TilesOfAtMost2048ColumnsEachShowingItsLine) {
  // lines, picture width, tiles, tile width
  const std::array<int32_t, 4> cases[] = {{1, 8, 1, 8},
                                          {8, 16, 1, 16},
                                          {2047, 2048, 1, 2048},
                                          {2048, 2056, 2, 2048},
                                          {5000, 5008, 3, 2048}};
  for (auto [lines, width, count, tileWidth] : cases) {
    const ScanStore store = test::gridStore(lines, 181, 1.0f, lineMarker);
    BitmapTileStore tiles;
    RenderParams params;
    params.rangeGreyScale = 1.0;
    ASSERT_EQ(buildRangePicture(tiles, store, params, MaskRange{}, ParallelOptions{2}), 1);
    EXPECT_EQ(pictureWidth(lines), width);
    EXPECT_EQ(std::tuple(tiles.count, tiles.tileWidth, tiles.tileHeight),
              std::tuple(count, tileWidth, 181));
    int32_t extentWidth, extentHeight;
    getImageExtent(tiles, extentWidth, extentHeight);
    EXPECT_EQ(std::pair(extentWidth, extentHeight), std::pair(count * tileWidth, 181));
    for (int32_t x : {0, lines - 2, lines - 1, lines, width - 1, extentWidth - 1}) {
      if (x < 0) continue;
      EXPECT_EQ(pixelAt(tiles, x, 90), grey(std::min(x, lines - 1) % 250 + 1)) << x;
    }
    freeBitmapTiles(tiles);
  }
}

TEST(Picture, BuildersWithoutTheirInputBuildNothingAndKeepThePicture) {
  const ScanStore lines = test::gridStore(20, 361, 10.0f, lineMarker);
  ScanStore wrongSize = test::gridStore(20, 361, 10.0f, lineMarker);
  wrongSize.varianceMap.emplace(5, 0.0);
  wrongSize.normalMap.emplace(5, Vec3{});
  const ScanStore none, noLines = test::gridStore(0, 181, 10.0f, lineMarker);
  const RenderParams params;
  const SegmentParams segment;
  const ParallelOptions one{1};
  BitmapTileStore tiles;
  ASSERT_EQ(buildRangePicture(tiles, lines, params, {}, one), 1);
  const auto before = test::pictureBytes(tiles);
  const std::function<int()> builds[] = {
      [&] { return buildRangePicture(tiles, none, params, {}, one); },
      [&] { return buildRangePicture(tiles, noLines, params, {}, one); },
      [&] { return buildNormalPicture(tiles, lines, params, {}, one); },
      [&] { return buildNormalPicture(tiles, wrongSize, params, {}, one); },
      [&] { return buildVariancePicture(tiles, lines, segment, params, {}, one); },
      [&] { return buildVariancePicture(tiles, wrongSize, segment, params, {}, one); },
      [&] { return buildSegmentPicture(tiles, lines, params, {}, one); },
      [&] { return buildRegionPicture(tiles, lines, params, {}, one); },
      [&] { return buildContourPicture(tiles, noLines, test::identityCalib(), params, one); }};
  for (const auto& build : builds) {
    EXPECT_EQ(build(), 0);
    EXPECT_EQ(test::pictureBytes(tiles), before);
  }
  int32_t width, height;
  getImageExtent(tiles, width, height);
  EXPECT_EQ(std::pair(width, height), std::pair(24, 361));
  freeBitmapTiles(tiles);
}

// A simulated street's regions: every segment in one colour that no other segment has, samples
// of no segment white; the same bytes for one and two threads and a second build, and the
// colours fixed by the labels alone (so every run shows a segment in the same colour).
TEST(RegionPicture, EachSegmentInItsOwnColourWhateverTheThreads) {
  SimulationOptions options;
  options.lines = 300;
  options.seed = 3;
  test::SimulatedScan scan;
  ASSERT_NO_FATAL_FAILURE(test::loadSimulatedScan(options, scan));
  const SegmentParams segment;
  ASSERT_EQ(computeVarianceMap(scan.store, scan.calib, segment, ParallelOptions{2}), 1);
  ASSERT_EQ(segmentRegions(scan.store, scan.calib, segment, {}), 1);
  const int32_t lines = scan.store.lineCount, samples = scan.store.pointsPerLine;
  BitmapTileStore tiles;
  std::vector<std::vector<unsigned char>> first;
  for (int threads : {1, 2, 2}) {
    ASSERT_EQ(buildRegionPicture(tiles, scan.store, {}, {}, ParallelOptions{threads}), 1);
    if (first.empty()) first = test::pictureBytes(tiles);
    EXPECT_EQ(test::pictureBytes(tiles), first) << threads << " threads";
  }
  std::map<uint16_t, test::Bgr> colourOf;
  std::map<test::Bgr, uint16_t> labelOf;
  for (int32_t l = 0; l < lines; ++l) {
    for (int32_t s = 0; s < samples; ++s) {
      const uint16_t label = (*scan.store.labelMap)[sampleMajorIndex(scan.store, l, s)];
      const test::Bgr shown = pixelAt(tiles, l, s);
      if (label >= MAX_SEGMENTS) {
        ASSERT_EQ(shown, grey(255)) << l << " " << s;
        continue;
      }
      ASSERT_EQ(colourOf.try_emplace(label, shown).first->second, shown) << l << " " << s;
      ASSERT_EQ(labelOf.try_emplace(shown, label).first->second, label) << l << " " << s;
    }
  }
  EXPECT_GT(colourOf.size(), 50u);
  freeBitmapTiles(tiles);
  const PaletteColour label9999 = regionColour(9999);  // as in every earlier run
  EXPECT_EQ(std::tuple(label9999.blue, label9999.green, label9999.red), std::tuple(176, 143, 197));
}

TEST(BitmapTileStore, LooksUpFreesAndResetsTiles) {
  BitmapTileStore tiles;
  EXPECT_EQ(allocBitmapTiles(tiles, 0), 0);
  EXPECT_FALSE(tiles.tiles.has_value());
  const int live = liveTileBitmaps();
  failNextTileBitmaps(1);  // the first tile gets no bitmap; the build still succeeds
  const ScanStore store = test::gridStore(2100, 181, 10.0f, lineMarker);
  ASSERT_EQ(buildRangePicture(tiles, store, RenderParams{}, {}, ParallelOptions{1}), 1);
  EXPECT_EQ((*tiles.tiles)[0].bitmap, nullptr);
  EXPECT_EQ(liveTileBitmaps(), live + 1);
  EXPECT_EQ(getBitmapTile(tiles, -1), nullptr);
  EXPECT_EQ(getBitmapTile(tiles, 2), nullptr);
  EXPECT_EQ(getBitmapTile(tiles, 1), &(*tiles.tiles)[1]);
  freeBitmapTiles(tiles);
  EXPECT_EQ(liveTileBitmaps(), live);
  EXPECT_EQ(std::tuple(tiles.count, tiles.tileWidth, tiles.imageReady), std::tuple(0, 2048, 1));
  RenderParams params;
  params.inverse = 1;
  initRenderState(tiles, params);
  EXPECT_EQ(std::tuple(tiles.tileWidth, tiles.imageReady, params.inverse), std::tuple(0, 0, 0));
  failNextTileBitmaps(1);
  const ScanStore small = test::gridStore(5, 181, 10.0f, lineMarker);
  ASSERT_EQ(buildRangePicture(tiles, small, RenderParams{}, {}, ParallelOptions{1}), 1);
  EXPECT_EQ(tiles.imageReady, 0);  // no bitmap was ever made
}

// The centre sample (line 2, sample 90) of 5 lines: at range 5 (grey 30) lines 0.1 apart along y
// with one or two neighbours without a point, or at range 0.6 with the lines a step apart in z
// (the next line's sample exactly the step away).
TEST(ContourPicture, RedFromTwoMissingNeighboursOrOneAUnitAway) {
  struct Case {
    int missing;
    double zStep;
    test::Bgr colour;
  };
  for (const Case c : {Case{1, 0, grey(30)}, Case{2, 0, test::RED}, Case{0, 1.0, test::RED},
                       Case{0, 0.999, grey(3)}}) {
    const auto raw = [c](int32_t l, int32_t s) {
      const bool gone =
          (c.missing >= 1 && l == 1 && s == 89) || (c.missing >= 2 && l == 3 && s == 91);
      return int16_t(gone ? 0 : c.zStep ? 60 : 500);
    };
    const Vec3 step = c.zStep ? Vec3{0, 0, c.zStep} : Vec3{0, 0.1, 0};
    BitmapTileStore tiles;
    ASSERT_EQ(buildContourPicture(tiles, test::gridStore(5, 181, 100.0f, raw, step),
                                  test::identityCalib(), {}, ParallelOptions{1}),
              1);
    EXPECT_EQ(pixelAt(tiles, 2, 90), c.colour) << c.missing << " " << c.zStep;
    freeBitmapTiles(tiles);
  }
}

// (variance, tolerance, band): a quotient too large for a band, or no variance, is white (-1).
TEST(VariancePicture, BandIsTheTruncatedQuotientModuloTwelveOrWhite) {
  const std::tuple<double, double, int> cases[] = {
      {NO_VARIANCE, 0.004, -1}, {0.0, 0.004, 0},
      {0.0039, 0.004, 0},       {0.004, 0.004, 1},
      {0.047, 0.004, 11},       {0.05, 0.004, 0},
      {NAN, 0.004, -1},         {0.01, -0.004, 10},
      {0.01, 0.0, -1},          {0.0, 0.0, -1},
      {1e300, 1e-300, -1},      {1e300, 0.004, int(std::fmod(std::trunc(1e300 / 0.004), 12))}};
  for (auto [variance, tolerance, band] : cases) {
    EXPECT_EQ(varianceBand(variance, tolerance), band) << variance << " " << tolerance;
  }
}

}  // namespace
}  // namespace quorvel
