#include "render/segment_picture.h"

#include <gtest/gtest.h>

#include "render/range_picture.h"
#include "tests/support/grid_store.h"
#include "tests/support/picture_pixels.h"

namespace quorvel {
namespace {

using test::Bgr;
using test::pixelAt;
using test::WHITE;

constexpr uint8_t CODES[] = {0, 1, 2, 3, 4, 5, 8, 12};
constexpr Bgr BLUE = {255, 0, 0}, GREEN = {0, 255, 0}, RED = {0, 0, 255}, CYAN = {255, 255, 0},
              GREY = {150, 150, 150}, MAGENTA = {255, 0, 255};
constexpr Bgr CODE_COLOURS[] = {BLUE, GREEN, RED, CYAN, BLUE, GREY, MAGENTA, BLUE};

// Three lines; sample s of line l carries CODES[(s + l) % 8].
ScanStore codedStore() {
  ScanStore store = test::gridStore(3, 181, 100.0f, [](int32_t, int32_t) { return int16_t(500); });
  store.lineSegmentMask.emplace(3 * 181);
  for (int32_t l = 0; l < 3; ++l) {
    for (int32_t s = 0; s < 181; ++s) {
      (*store.lineSegmentMask)[lineMajorIndex(store, l, s)] = CODES[(s + l) % 8];
    }
  }
  return store;
}

// Columns 3 ... 7 beyond the last line repeat it.
TEST(SegmentPicture, EveryCodeHasItsPaletteColourAndNoneIsWhite) {
  const ScanStore store = codedStore();
  BitmapTileStore tiles;
  ASSERT_EQ(buildSegmentPicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{2}), 1);
  for (int32_t x = 0; x < 8; ++x) {
    const int32_t l = std::min(x, 2);
    for (int32_t s = 0; s < 181; ++s) {
      EXPECT_EQ(pixelAt(tiles, x, s), CODE_COLOURS[(s + l) % 8])
          << "column " << x << " sample " << s;
    }
  }
  freeBitmapTiles(tiles);
}

TEST(SegmentPicture, MaskBandStaysWhiteAndInverseFlips) {
  const ScanStore store = codedStore();
  BitmapTileStore tiles;
  RenderParams params;
  params.inverse = 1;
  ASSERT_EQ(buildSegmentPicture(tiles, store, params, MaskRange{10, 20}, ParallelOptions{2}), 1);
  for (int32_t s = 0; s < 181; ++s) {
    const Bgr expected = s >= 10 && s <= 20 ? WHITE : CODE_COLOURS[s % 8];
    EXPECT_EQ(pixelAt(tiles, 0, 180 - s), expected) << "sample " << s;
  }
  freeBitmapTiles(tiles);
}

TEST(SegmentPicture, WithoutTheMaskNothingChanges) {
  ScanStore store = codedStore();
  store.lineSegmentMask.reset();
  BitmapTileStore tiles;
  ASSERT_EQ(buildRangePicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{1}), 1);
  const auto before = test::pictureBytes(tiles);
  EXPECT_EQ(buildSegmentPicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{1}), 0);
  EXPECT_EQ(test::pictureBytes(tiles), before);
  freeBitmapTiles(tiles);
}

}  // namespace
}  // namespace quorvel
