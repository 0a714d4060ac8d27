#include "render/mesh_builder.h"

#include <cstring>
#include <new>

#include "scan/stage_message.h"

namespace quorvel {

namespace {

void putInt32(unsigned char* at, int32_t value) {
  std::memcpy(at, &value, sizeof value);
}
void putInt16(unsigned char* at, int16_t value) {
  std::memcpy(at, &value, sizeof value);
}

// The 40-byte bitmap information header of a 24-bit bottom-up tile.
void writeInfoHeader(unsigned char* header, int32_t width, int32_t height) {
  putInt32(header + 0, 40);
  putInt32(header + 4, width);
  putInt32(header + 8, height);
  putInt16(header + 12, 1);    // planes
  putInt16(header + 14, 24);   // bits per pixel
  putInt32(header + 16, 0);    // uncompressed
  putInt32(header + 20, 0);    // image size
  putInt32(header + 24, 0);    // horizontal resolution
  putInt32(header + 28, 0);    // vertical resolution
  putInt32(header + 32, 256);  // colours used
  putInt32(header + 36, 0);    // colours important
}

}  // namespace

bool beginMeshBuild(BitmapTileStore& tiles, const ScanStore& store, bool precondition,
                    std::vector<unsigned char>& buffer) {
  if (!precondition || store.lineCount <= 0) return false;
  freeBitmapTiles(tiles);
  const int64_t width = pictureWidth(store.lineCount);
  int32_t count = 0;
  tileCountForWidth(static_cast<int32_t>(width), count);
  tiles.tileWidth = static_cast<int32_t>(std::min<int64_t>(width, MAX_TILE_WIDTH));
  tiles.tileHeight = store.pointsPerLine;
  if (!allocBitmapTiles(tiles, count)) return false;
  try {
    buffer.assign(TILE_BUFFER_HEADER_SIZE + 3 * static_cast<size_t>(tiles.tileWidth) *
                                                static_cast<size_t>(tiles.tileHeight),
                  0);
  } catch (const std::bad_alloc&) {
    showStageMessage("Memory failure in Range2MeshBmp.", "Error");
    return false;
  }
  writeInfoHeader(buffer.data(), tiles.tileWidth, tiles.tileHeight);
  return true;
}

void finishTile(BitmapTileStore& tiles, int32_t index, const std::vector<unsigned char>& buffer) {
  BitmapTile& tile = *getBitmapTile(tiles, index);
  if (tile.bitmap) deleteTileBitmap(tile.bitmap);
  tile.bitmap = createTileBitmap(buffer.data(), buffer.data() + TILE_BUFFER_HEADER_SIZE);
  if (tile.bitmap) tiles.imageReady = 1;
}

}  // namespace quorvel
