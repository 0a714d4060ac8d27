// Reading pixels of the current picture back from the headless tile bitmaps.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "render/bitmap_tile_store.h"

namespace quorvel::test {

using Bgr = std::array<uint8_t, 3>;

inline constexpr Bgr RED = {0, 0, 255};
inline Bgr grey(uint8_t g) {
  return {g, g, g};
}

// Pixel at picture column x and row y (0 = top row); the tile must have a bitmap.
Bgr pixelAt(const BitmapTileStore& tiles, int32_t x, int32_t y);

// Every tile's rows, for comparing two pictures byte for byte.
std::vector<std::vector<unsigned char>> pictureBytes(const BitmapTileStore& tiles);

}  // namespace quorvel::test
