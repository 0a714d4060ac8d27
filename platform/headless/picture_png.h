// Writing the current picture as a PNG file: the full extent of its tiles, top row first, RGB,
// exactly the pixels the window shows at zoom 100 % (a tile without bitmap shows white).
#pragma once

#include <string>

#include "render/bitmap_tile_store.h"
#include "scan/status.h"

namespace quorvel {

Status writePicturePng(const BitmapTileStore& tiles, const std::string& path);

}  // namespace quorvel
