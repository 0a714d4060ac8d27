// Writing the current picture as a PNG file: the full extent of its tiles, top row first, RGB,
// exactly the pixels the window shows at zoom 100 % (a tile without bitmap shows white).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "render/bitmap_tile_store.h"
#include "scan/status.h"

namespace quorvel {

// Columns first ... first + count - 1 of the picture (a batch task's own scan lines).
struct PictureColumns {
  int32_t first = 0;
  int32_t count = 0;
};

// The whole picture as RGB bytes, top row first; width and height 0 without a picture.
std::vector<unsigned char> pictureRgb(const BitmapTileStore& tiles, int32_t& width,
                                      int32_t& height);

// Writes the whole picture, or only the given columns of it.
Status writePicturePng(const BitmapTileStore& tiles, const std::string& path,
                       std::optional<PictureColumns> columns = std::nullopt);

}  // namespace quorvel
