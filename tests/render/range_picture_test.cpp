#include "render/range_picture.h"

#include <gtest/gtest.h>

#include "tests/support/grid_store.h"
#include "tests/support/picture_pixels.h"

namespace quorvel {
namespace {

using test::grey;
using test::pixelAt;
using test::WHITE;

TEST(RangePicture, GreyLevelsAtTheirEdges) {
  EXPECT_EQ(byteLevel(1000 / 100.0, 6.0), 60);
  EXPECT_EQ(byteLevel(4250 / 100.0, 6.0), 255);
  EXPECT_EQ(byteLevel(4200 / 100.0, 6.0), 252);
  EXPECT_EQ(byteLevel(4249 / 100.0, 6.0), 254);
  EXPECT_EQ(byteLevel(-5 / 100.0, 6.0), 0);
  EXPECT_EQ(byteLevel(0.0, 6.0), 0);
  EXPECT_EQ(byteLevel(1e300, 6.0), 255);
}

TEST(RangePicture, ZeroRangeUnitGivesBlackOrWhiteNotUndefined) {
  EXPECT_EQ(byteLevel(0.0 / 0.0 * 0.0 + std::numeric_limits<double>::quiet_NaN(), 6.0), 0);
  EXPECT_EQ(byteLevel(std::numeric_limits<double>::infinity(), 6.0), 255);
}

// Sample s of every line has raw range s (unit 1): grey level 6 s, up to 255.
ScanStore rampStore(int32_t lines) {
  return test::gridStore(lines, 181, 1.0f, [](int32_t, int32_t s) { return int16_t(s); });
}

TEST(RangePicture, SampleZeroOnTopUnlessInverse) {
  const ScanStore store = rampStore(3);
  BitmapTileStore tiles;
  RenderParams params;
  ASSERT_EQ(buildRangePicture(tiles, store, params, MaskRange{}, ParallelOptions{1}), 1);
  EXPECT_EQ(pixelAt(tiles, 1, 0), grey(0));
  EXPECT_EQ(pixelAt(tiles, 1, 10), grey(60));
  EXPECT_EQ(pixelAt(tiles, 1, 180), grey(255));
  params.inverse = 1;
  ASSERT_EQ(buildRangePicture(tiles, store, params, MaskRange{}, ParallelOptions{1}), 1);
  EXPECT_EQ(pixelAt(tiles, 1, 180), grey(0));
  EXPECT_EQ(pixelAt(tiles, 1, 170), grey(60));
  freeBitmapTiles(tiles);
}

struct MaskCase {
  int32_t stno, edno;
  int32_t firstWhite, lastWhite;  // lastWhite < firstWhite: no white sample
};

class RangeMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(RangeMask, BandStaysWhiteInclusive) {
  const MaskCase& c = GetParam();
  const ScanStore store =
      test::gridStore(2, 181, 1.0f, [](int32_t, int32_t) { return int16_t(1); });
  BitmapTileStore tiles;
  ASSERT_EQ(buildRangePicture(tiles, store, RenderParams{}, {c.stno, c.edno}, ParallelOptions{2}),
            1);
  for (int32_t s = 0; s < 181; ++s) {
    const bool white = s >= c.firstWhite && s <= c.lastWhite;
    EXPECT_EQ(pixelAt(tiles, 0, s), white ? WHITE : grey(6)) << "sample " << s;
  }
  freeBitmapTiles(tiles);
}

INSTANTIATE_TEST_SUITE_P(Bands, RangeMask,
                         ::testing::Values(MaskCase{-1, -1, 0, -1}, MaskCase{10, 20, 10, 20},
                                           MaskCase{20, 10, 0, -1}, MaskCase{0, 0, 0, 0},
                                           MaskCase{-5, 3, 0, 3}, MaskCase{170, 900, 170, 180}));

TEST(RangePicture, ThreadCountDoesNotChangeThePicture) {
  const ScanStore store = test::gridStore(2500, 361, 100.0f, [](int32_t l, int32_t s) {
    return int16_t((l * 37 + s * 11) % 5000 - 200);
  });
  BitmapTileStore one, three;
  ASSERT_EQ(buildRangePicture(one, store, RenderParams{}, {30, 40}, ParallelOptions{1}), 1);
  ASSERT_EQ(buildRangePicture(three, store, RenderParams{}, {30, 40}, ParallelOptions{3}), 1);
  EXPECT_EQ(test::pictureBytes(one), test::pictureBytes(three));
  freeBitmapTiles(one);
  freeBitmapTiles(three);
}

}  // namespace
}  // namespace quorvel
