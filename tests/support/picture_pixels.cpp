#include "tests/support/picture_pixels.h"

#include "platform/headless/headless_platform.h"

namespace quorvel::test {

Bgr pixelAt(const BitmapTileStore& tiles, int32_t x, int32_t y) {
  const BitmapTile& tile = (*tiles.tiles)[static_cast<size_t>(x / tiles.tileWidth)];
  const HeadlessBitmap& bitmap = headlessBitmap(tile.bitmap);
  const size_t row = static_cast<size_t>(tiles.tileHeight - 1 - y);
  const size_t at =
      (row * static_cast<size_t>(bitmap.width) + static_cast<size_t>(x % tiles.tileWidth)) * 3;
  return {bitmap.rows[at], bitmap.rows[at + 1], bitmap.rows[at + 2]};
}

std::vector<std::vector<unsigned char>> pictureBytes(const BitmapTileStore& tiles) {
  std::vector<std::vector<unsigned char>> bytes;
  for (int32_t i = 0; i < tiles.count; ++i) {
    const TileBitmap bitmap = (*tiles.tiles)[static_cast<size_t>(i)].bitmap;
    bytes.push_back(bitmap ? headlessBitmap(bitmap).rows : std::vector<unsigned char>{});
  }
  return bytes;
}

}  // namespace quorvel::test
