// The variance picture: palette bands of width varianceTol, white without a value.
#include "render/variance_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "features/variance_map.h"
#include "render/class_palette.h"
#include "tests/support/grid_store.h"
#include "tests/support/picture_pixels.h"

namespace quorvel {
namespace {

using test::pixelAt;
using test::WHITE;

test::Bgr paletteEntry(int k) {
  return {CLASS_PALETTE[k].blue, CLASS_PALETTE[k].green, CLASS_PALETTE[k].red};
}

struct BandCase {
  double variance;
  int band;  // -1: white
};

class VarianceBand : public ::testing::TestWithParam<BandCase> {};

TEST_P(VarianceBand, TruncatedQuotientModuloTwelve) {
  EXPECT_EQ(varianceBand(GetParam().variance, 0.004), GetParam().band);
}

INSTANTIATE_TEST_SUITE_P(Values, VarianceBand,
                         ::testing::Values(BandCase{NO_VARIANCE, -1}, BandCase{0.0, 0},
                                           BandCase{0.0039, 0}, BandCase{0.004, 1},
                                           BandCase{0.008, 2}, BandCase{0.047, 11},
                                           BandCase{0.05, 0}, BandCase{0.1, 1},
                                           BandCase{std::numeric_limits<double>::quiet_NaN(), -1}));

TEST(VarianceBandBeyondIntegers, StaysAPaletteEntryOrWhite) {
  // Quotients far beyond any integer type: still k mod 12 of the truncated quotient.
  EXPECT_EQ(varianceBand(1e300, 0.004), static_cast<int>(std::fmod(std::trunc(1e300 / 0.004), 12)));
  EXPECT_EQ(varianceBand(1e300, 1e-300), -1);  // infinite quotient
  EXPECT_EQ(varianceBand(0.01, 0.0), -1);
  EXPECT_EQ(varianceBand(0.0, 0.0), -1);
  const int band = varianceBand(0.01, -0.004);  // -2 mod 12
  EXPECT_EQ(band, 10);
}

// Two lines of 181 samples whose VarianceMap holds the values given per sample.
ScanStore storeWithVariance(const std::vector<double>& perSample) {
  ScanStore store = test::gridStore(2, 181, 100.0f, [](int32_t, int32_t) { return int16_t(1000); });
  store.varianceMap.emplace(2 * 181, NO_VARIANCE);
  store.normalMap.emplace(2 * 181, Vec3{NO_NORMAL, NO_NORMAL, NO_NORMAL});
  for (size_t s = 0; s < perSample.size(); ++s) {
    (*store.varianceMap)[s * 2] = (*store.varianceMap)[s * 2 + 1] = perSample[s];
  }
  return store;
}

TEST(VariancePicture, PaintsBandsAndLeavesMissingValuesAndTheMaskWhite) {
  const ScanStore store = storeWithVariance({NO_VARIANCE, 0.0, 0.0039, 0.004, 0.05, 0.02, 0.03});
  BitmapTileStore tiles;
  ASSERT_EQ(buildVariancePicture(tiles, store, SegmentParams{}, RenderParams{}, MaskRange{5, 5},
                                 ParallelOptions{2}),
            1);
  EXPECT_EQ(pixelAt(tiles, 0, 0), WHITE);
  EXPECT_EQ(pixelAt(tiles, 0, 1), paletteEntry(0));
  EXPECT_EQ(pixelAt(tiles, 1, 2), paletteEntry(0));
  EXPECT_EQ(pixelAt(tiles, 0, 3), paletteEntry(1));
  EXPECT_EQ(pixelAt(tiles, 0, 4), paletteEntry(0));
  EXPECT_EQ(pixelAt(tiles, 0, 5), WHITE);  // in the mask band
  EXPECT_EQ(pixelAt(tiles, 0, 6), paletteEntry(7));
  EXPECT_EQ(pixelAt(tiles, 0, 7), WHITE);  // NO_VARIANCE
  freeBitmapTiles(tiles);
}

TEST(VariancePicture, WithoutAComputedVarianceMapBuildsNothing) {
  ScanStore store = test::gridStore(2, 181, 100.0f, [](int32_t, int32_t) { return int16_t(1000); });
  BitmapTileStore tiles;
  EXPECT_EQ(buildVariancePicture(tiles, store, SegmentParams{}, RenderParams{}, MaskRange{},
                                 ParallelOptions{1}),
            0);
  store.varianceMap.emplace(5, 0.0);  // not sized for the scan
  EXPECT_EQ(buildVariancePicture(tiles, store, SegmentParams{}, RenderParams{}, MaskRange{},
                                 ParallelOptions{1}),
            0);
  EXPECT_FALSE(tiles.tiles.has_value());
}

}  // namespace
}  // namespace quorvel
