#include "render/bitmap_tile_store.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"
#include "render/range_picture.h"
#include "tests/support/grid_store.h"
#include "tests/support/picture_pixels.h"

namespace quorvel {
namespace {

using test::pixelAt;

// Raw range (l mod 250) + 1 with unit 1 and grey scale 1: a column's grey tells its line.
int16_t lineMarker(int32_t l, int32_t) {
  return static_cast<int16_t>(l % 250 + 1);
}
test::Bgr markerGrey(int32_t l) {
  return test::grey(static_cast<uint8_t>(l % 250 + 1));
}

struct GeometryCase {
  int32_t lines, width, count, tileWidth;
};

class PictureGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(PictureGeometry, WidthTilesExtentAndColumns) {
  const GeometryCase& c = GetParam();
  const ScanStore store = test::gridStore(c.lines, 181, 1.0f, lineMarker);
  BitmapTileStore tiles;
  RenderParams params;
  params.rangeGreyScale = 1.0;
  ASSERT_EQ(buildRangePicture(tiles, store, params, MaskRange{}, ParallelOptions{2}), 1);
  EXPECT_EQ(pictureWidth(c.lines), c.width);
  EXPECT_EQ(tiles.count, c.count);
  EXPECT_EQ(tiles.tileWidth, c.tileWidth);
  EXPECT_EQ(tiles.tileHeight, 181);
  int32_t width, height;
  getImageExtent(tiles, width, height);
  EXPECT_EQ(width, c.count * c.tileWidth);
  EXPECT_EQ(height, 181);
  for (int32_t i = 0; i < tiles.count; ++i) {
    EXPECT_EQ((*tiles.tiles)[i].x, i * c.tileWidth);
    EXPECT_EQ((*tiles.tiles)[i].y, 0);
  }
  for (int32_t x : {0, c.lines - 2, c.lines - 1, c.lines, c.width - 1, width - 1}) {
    if (x < 0) continue;
    EXPECT_EQ(pixelAt(tiles, x, 90), markerGrey(std::min(x, c.lines - 1))) << "column " << x;
  }
  freeBitmapTiles(tiles);
}

INSTANTIATE_TEST_SUITE_P(LineCounts, PictureGeometry,
                         ::testing::Values(GeometryCase{1, 8, 1, 8}, GeometryCase{8, 16, 1, 16},
                                           GeometryCase{2047, 2048, 1, 2048},
                                           GeometryCase{2048, 2056, 2, 2048},
                                           GeometryCase{5000, 5008, 3, 2048}));

TEST(BitmapTileStore, TileCountRoundsUp) {
  int32_t count = -1;
  for (auto [width, expected] : {std::pair{0, 0}, {1, 1}, {2048, 1}, {2049, 2}, {6144, 3}}) {
    tileCountForWidth(width, count);
    EXPECT_EQ(count, expected) << width;
  }
}

TEST(BitmapTileStore, TileLookupBounds) {
  BitmapTileStore tiles;
  EXPECT_EQ(allocBitmapTiles(tiles, 0), 0);
  EXPECT_FALSE(tiles.tiles.has_value());
  ASSERT_EQ(allocBitmapTiles(tiles, 3), 1);
  EXPECT_EQ(getBitmapTile(tiles, -1), nullptr);
  EXPECT_EQ(getBitmapTile(tiles, 3), nullptr);
  ASSERT_NE(getBitmapTile(tiles, 2), nullptr);
  EXPECT_EQ(getBitmapTile(tiles, 2)->bitmap, nullptr);
}

TEST(BitmapTileStore, FreeDeletesBitmapsButKeepsSizesAndReadiness) {
  const int before = liveTileBitmaps();
  const ScanStore store = test::gridStore(3000, 181, 10.0f, lineMarker);
  BitmapTileStore tiles;
  ASSERT_EQ(buildRangePicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{1}), 1);
  EXPECT_EQ(liveTileBitmaps(), before + 2);
  freeBitmapTiles(tiles);
  EXPECT_EQ(liveTileBitmaps(), before);
  EXPECT_EQ(tiles.count, 0);
  EXPECT_EQ(tiles.tileWidth, 2048);
  EXPECT_EQ(tiles.imageReady, 1);
  RenderParams params;
  params.inverse = 1;
  initRenderState(tiles, params);
  EXPECT_EQ(tiles.imageReady, 0);
  EXPECT_EQ(tiles.tileWidth, 0);
  EXPECT_EQ(params.inverse, 0);
}

TEST(BitmapTileStore, FailedBuildKeepsThePreviousPicture) {
  const ScanStore store = test::gridStore(20, 361, 10.0f, lineMarker);
  BitmapTileStore tiles;
  ASSERT_EQ(buildRangePicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{1}), 1);
  const auto before = test::pictureBytes(tiles);
  ScanStore empty;
  EXPECT_EQ(buildRangePicture(tiles, empty, RenderParams{}, MaskRange{}, ParallelOptions{1}), 0);
  ScanStore noLines = test::gridStore(0, 181, 10.0f, lineMarker);
  EXPECT_EQ(buildRangePicture(tiles, noLines, RenderParams{}, MaskRange{}, ParallelOptions{1}), 0);
  int32_t width, height;
  getImageExtent(tiles, width, height);
  EXPECT_EQ(width, 24);
  EXPECT_EQ(height, 361);
  EXPECT_EQ(test::pictureBytes(tiles), before);
  freeBitmapTiles(tiles);
}

TEST(BitmapTileStore, FailedBitmapLeavesThatTileEmptyAndTheBuildSucceeds) {
  const ScanStore store = test::gridStore(2100, 181, 10.0f, lineMarker);
  BitmapTileStore tiles;
  failNextTileBitmaps(1);
  ASSERT_EQ(buildRangePicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{1}), 1);
  EXPECT_EQ((*tiles.tiles)[0].bitmap, nullptr);
  EXPECT_NE((*tiles.tiles)[1].bitmap, nullptr);
  EXPECT_EQ(tiles.imageReady, 1);
  freeBitmapTiles(tiles);

  BitmapTileStore none;
  const ScanStore small = test::gridStore(5, 181, 10.0f, lineMarker);
  failNextTileBitmaps(1);
  ASSERT_EQ(buildRangePicture(none, small, RenderParams{}, MaskRange{}, ParallelOptions{1}), 1);
  EXPECT_EQ(none.imageReady, 0);  // no bitmap was ever made
}

}  // namespace
}  // namespace quorvel
