#include "render/contour_picture.h"

#include <gtest/gtest.h>

#include "tests/support/grid_store.h"
#include "tests/support/picture_pixels.h"

namespace quorvel {
namespace {

using test::grey;
using test::pixelAt;
using test::RED;
using test::WHITE;

// Lines 0.1 apart, every sample at range 5 (unit 100): neighbours are close, grey 30.
constexpr int16_t FLAT = 500;

// Builds the contour picture of a 5-line store whose samples are FLAT except those changed by
// edit; the sample under test is line 2, sample 90.
BitmapTileStore contourOf(const std::function<int16_t(int32_t, int32_t)>& edit, int threads = 1) {
  const ScanStore store = test::gridStore(5, 181, 100.0f, edit);
  BitmapTileStore tiles;
  EXPECT_EQ(buildContourPicture(tiles, store, test::identityCalib(), RenderParams{},
                                ParallelOptions{threads}),
            1);
  return tiles;
}

test::Bgr centre(const std::function<int16_t(int32_t, int32_t)>& edit) {
  BitmapTileStore tiles = contourOf(edit);
  const test::Bgr pixel = pixelAt(tiles, 2, 90);
  freeBitmapTiles(tiles);
  return pixel;
}

TEST(ContourPicture, CloseNeighboursGiveTheRangeGrey) {
  EXPECT_EQ(centre([](int32_t, int32_t) { return FLAT; }), grey(30));
}

TEST(ContourPicture, OneMissingNeighbourIsGreyTwoAreRed) {
  EXPECT_EQ(centre([](int32_t l, int32_t s) { return int16_t(l == 1 && s == 89 ? 0 : FLAT); }),
            grey(30));
  EXPECT_EQ(centre([](int32_t l, int32_t s) {
              return int16_t((l == 1 && s == 89) || (l == 3 && s == 91) ? 0 : FLAT);
            }),
            RED);
}

TEST(ContourPicture, NeighbourOneUnitAwayIsRed) {
  EXPECT_EQ(
      centre([](int32_t l, int32_t s) { return int16_t(l == 2 && s == 91 ? FLAT + 101 : FLAT); }),
      RED);
  EXPECT_EQ(
      centre([](int32_t l, int32_t s) { return int16_t(l == 2 && s == 91 ? FLAT + 98 : FLAT); }),
      grey(30));
}

TEST(ContourPicture, DistanceOfExactlyOneIsAnEdge) {
  // Lines stacked along z: the same sample of the next line lies exactly the step away, the
  // neighbouring samples of a 0.6 range less than 0.011 aside.
  auto centreWithStep = [](double step) {
    const ScanStore store =
        test::gridStore(5, 181, 100.0f, [](int32_t, int32_t) { return int16_t(60); }, {0, 0, step});
    BitmapTileStore tiles;
    EXPECT_EQ(buildContourPicture(tiles, store, test::identityCalib(), RenderParams{},
                                  ParallelOptions{1}),
              1);
    const test::Bgr pixel = pixelAt(tiles, 2, 90);
    freeBitmapTiles(tiles);
    return pixel;
  };
  EXPECT_EQ(centreWithStep(1.0), RED);
  EXPECT_EQ(centreWithStep(0.999), grey(3));
}

TEST(ContourPicture, SampleWithoutPointIsWhiteEvenAmongEdges) {
  EXPECT_EQ(centre([](int32_t l, int32_t s) {
              return int16_t(l == 2 && s == 90 ? 0 : (s % 2 ? 3000 : FLAT));
            }),
            WHITE);
}

TEST(ContourPicture, BorderAndExtraColumnsAreWhiteAndTheMaskIsIgnored) {
  const ScanStore store = test::gridStore(5, 181, 100.0f, [](int32_t, int32_t) { return FLAT; });
  BitmapTileStore tiles;
  ASSERT_EQ(
      buildContourPicture(tiles, store, test::identityCalib(), RenderParams{}, ParallelOptions{1}),
      1);
  for (int32_t x : {0, 4, 5, 7}) EXPECT_EQ(pixelAt(tiles, x, 90), WHITE) << "column " << x;
  EXPECT_EQ(pixelAt(tiles, 2, 0), WHITE);
  EXPECT_EQ(pixelAt(tiles, 2, 180), WHITE);
  EXPECT_EQ(pixelAt(tiles, 1, 1), grey(30));
  freeBitmapTiles(tiles);
}

TEST(ContourPicture, TwoLinesAreAllBorder) {
  const ScanStore store = test::gridStore(2, 181, 100.0f, [](int32_t, int32_t) { return FLAT; });
  BitmapTileStore tiles;
  ASSERT_EQ(
      buildContourPicture(tiles, store, test::identityCalib(), RenderParams{}, ParallelOptions{1}),
      1);
  for (int32_t x = 0; x < 8; ++x) {
    for (int32_t y = 0; y < 181; ++y) ASSERT_EQ(pixelAt(tiles, x, y), WHITE);
  }
  freeBitmapTiles(tiles);
}

}  // namespace
}  // namespace quorvel
