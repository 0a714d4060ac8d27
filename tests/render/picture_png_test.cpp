#include "platform/headless/picture_png.h"

#include <gtest/gtest.h>
#include <png.h>

#include "platform/headless/headless_platform.h"
#include "render/range_picture.h"
#include "tests/support/grid_store.h"
#include "tests/support/png_image.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::PngImage;
using test::readPng;

TEST(PicturePng, FullExtentTopRowFirstInRgb) {
  // 2100 lines: two tiles, 4096 columns; sample s has raw s, so row 0 (sample 0) is black.
  const ScanStore store =
      test::gridStore(2100, 181, 1.0f, [](int32_t, int32_t s) { return int16_t(s); });
  BitmapTileStore tiles;
  ASSERT_EQ(buildRangePicture(tiles, store, RenderParams{}, {5, 5}, ParallelOptions{2}), 1);
  const std::string path = test::freshTestDir() + "/range.png";
  ASSERT_TRUE(writePicturePng(tiles, path).ok());
  const PngImage image = readPng(path);
  ASSERT_EQ(image.width, 4096u);
  ASSERT_EQ(image.height, 181u);
  auto pixel = [&](size_t x, size_t y) {
    const png_byte* p = &image.rgb[(y * image.width + x) * 3];
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  EXPECT_EQ(pixel(0, 0), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(pixel(4095, 10), (std::array<int, 3>{60, 60, 60}));
  EXPECT_EQ(pixel(3000, 5), (std::array<int, 3>{255, 255, 255}));
  freeBitmapTiles(tiles);
}

TEST(PicturePng, TileWithoutBitmapIsWhiteAndNoPictureFails) {
  const ScanStore store =
      test::gridStore(3, 181, 1.0f, [](int32_t, int32_t) { return int16_t(1); });
  BitmapTileStore tiles;
  const std::string path = test::freshTestDir() + "/a.png";
  EXPECT_FALSE(writePicturePng(tiles, path).ok());
  failNextTileBitmaps(1);
  ASSERT_EQ(buildRangePicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{1}), 1);
  ASSERT_TRUE(writePicturePng(tiles, path).ok());
  const PngImage image = readPng(path);
  ASSERT_EQ(image.width, 8u);
  for (png_byte byte : image.rgb) ASSERT_EQ(byte, 255);
}

}  // namespace
}  // namespace quorvel
