#include "render/bitmap_tile_store.h"

#include <new>

namespace quorvel {

BitmapTileStore bitmapTileStore;

void initRenderState(BitmapTileStore& store, RenderParams& params) {
  freeBitmapTiles(store);
  store.tileWidth = 0;
  store.tileHeight = 0;
  store.imageReady = 0;
  store.inverse = 0;
  params = RenderParams{};
}

void clearPicture(BitmapTileStore& store) {
  freeBitmapTiles(store);
  store.tileWidth = 0;
  store.tileHeight = 0;
  store.imageReady = 0;
}

void freeBitmapTiles(BitmapTileStore& store) {
  if (store.tiles) {
    for (BitmapTile& tile : *store.tiles) {
      if (tile.bitmap) deleteTileBitmap(tile.bitmap);
      tile.bitmap = nullptr;
    }
  }
  store.tiles.reset();
  store.count = 0;
}

int allocBitmapTiles(BitmapTileStore& store, int32_t n) {
  if (n <= 0) return 0;
  try {
    store.tiles.emplace(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    store.tiles.reset();
    store.count = 0;
    return 0;
  }
  store.count = n;
  return 1;
}

void tileCountForWidth(int32_t width, int32_t& count) {
  count = width / MAX_TILE_WIDTH + (width % MAX_TILE_WIDTH != 0 ? 1 : 0);
}

BitmapTile* getBitmapTile(BitmapTileStore& store, int32_t index) {
  if (index < 0 || index >= store.count) return nullptr;
  return &(*store.tiles)[static_cast<size_t>(index)];
}

void getImageExtent(const BitmapTileStore& store, int32_t& width, int32_t& height) {
  width = store.count * store.tileWidth;
  height = store.tileHeight;
}

int isImageReady(const BitmapTileStore& store) {
  return store.imageReady;
}

void initRenderState() {
  initRenderState(bitmapTileStore, renderParams);
}
void freeBitmapTiles() {
  freeBitmapTiles(bitmapTileStore);
}
BitmapTile* getBitmapTile(int32_t index) {
  return getBitmapTile(bitmapTileStore, index);
}
void getImageExtent(int32_t& width, int32_t& height) {
  getImageExtent(bitmapTileStore, width, height);
}
int isImageReady() {
  return isImageReady(bitmapTileStore);
}

int64_t pictureWidth(int32_t lineCount) {
  return int64_t{lineCount} / 8 * 8 + 8;
}

}  // namespace quorvel
