// The normal picture: Blue, Green, Red from the normal's x, y, z; white without a normal.
#include "render/normal_picture.h"

#include <gtest/gtest.h>

#include <limits>

#include "features/variance_map.h"
#include "tests/support/grid_store.h"
#include "tests/support/picture_pixels.h"

namespace quorvel {
namespace {

using test::pixelAt;
using test::WHITE;

struct NormalCase {
  Vec3 normal;
  test::Bgr colour;
};

class NormalColour : public ::testing::TestWithParam<NormalCase> {};

// Two lines of 181 samples; sample 3 carries the normal, the rest none.
TEST_P(NormalColour, ComponentsScaledHeldAndTruncated) {
  ScanStore store = test::gridStore(2, 181, 100.0f, [](int32_t, int32_t) { return int16_t(1000); });
  store.varianceMap.emplace(2 * 181, NO_VARIANCE);
  store.normalMap.emplace(2 * 181, Vec3{NO_NORMAL, NO_NORMAL, NO_NORMAL});
  (*store.normalMap)[3 * 2 + 1] = GetParam().normal;
  BitmapTileStore tiles;
  ASSERT_EQ(buildNormalPicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{2}), 1);
  EXPECT_EQ(pixelAt(tiles, 1, 3), GetParam().colour);
  EXPECT_EQ(pixelAt(tiles, 0, 3), WHITE);
  EXPECT_EQ(pixelAt(tiles, 1, 4), WHITE);
  freeBitmapTiles(tiles);
}

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Normals, NormalColour,
    ::testing::Values(NormalCase{{0, 0, 1}, {0, 0, 255}}, NormalCase{{0.6, 0, 0.8}, {153, 0, 204}},
                      NormalCase{{-0.6, 0, 0.8}, {0, 0, 204}},
                      NormalCase{{0.1, 0.5, 0.86}, {25, 128, 220}},
                      NormalCase{{NO_NORMAL, 0, 1}, WHITE},            // only x marks none
                      NormalCase{{0.0, NO_NORMAL, 1}, {0, 255, 255}},  // y is just large
                      NormalCase{{NaN, NaN, 1}, {0, 0, 255}}));

TEST(NormalPicture, MaskBandIsWhite) {
  ScanStore store = test::gridStore(2, 181, 100.0f, [](int32_t, int32_t) { return int16_t(1000); });
  store.varianceMap.emplace(2 * 181, NO_VARIANCE);
  store.normalMap.emplace(2 * 181, Vec3{0, 0, 1});
  BitmapTileStore tiles;
  ASSERT_EQ(buildNormalPicture(tiles, store, RenderParams{}, MaskRange{10, 20}, ParallelOptions{1}),
            1);
  EXPECT_EQ(pixelAt(tiles, 0, 9), (test::Bgr{0, 0, 255}));
  EXPECT_EQ(pixelAt(tiles, 0, 10), WHITE);
  EXPECT_EQ(pixelAt(tiles, 0, 20), WHITE);
  EXPECT_EQ(pixelAt(tiles, 0, 21), (test::Bgr{0, 0, 255}));
  freeBitmapTiles(tiles);
}

TEST(NormalPicture, WithoutAComputedNormalMapBuildsNothing) {
  const ScanStore store =
      test::gridStore(2, 181, 100.0f, [](int32_t, int32_t) { return int16_t(1000); });
  BitmapTileStore tiles;
  EXPECT_EQ(buildNormalPicture(tiles, store, RenderParams{}, MaskRange{}, ParallelOptions{1}), 0);
}

}  // namespace
}  // namespace quorvel
