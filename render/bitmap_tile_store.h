// The current picture: a row of tiles at most 2048 pixels wide and as tall as a scan line has
// samples. One process-wide instance, `bitmapTileStore`; each picture build replaces all tiles.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "features/range_image.h"
#include "render/tile_bitmap.h"

namespace quorvel {

inline constexpr int32_t MAX_TILE_WIDTH = 2048;

struct BitmapTile {
  TileBitmap bitmap = nullptr;  // none until made
  int32_t x = 0;                // left edge in picture pixels
  int32_t y = 0;                // top edge; always 0
};

struct BitmapTileStore {
  std::optional<std::vector<BitmapTile>> tiles;
  int32_t count = 0;
  int32_t tileWidth = 0;   // every tile is this wide
  int32_t tileHeight = 0;  // samples per line
  int32_t imageReady = 0;  // 1 once any build made a tile bitmap; cleared at start-up and by
                           // clearPicture
  int32_t inverse = 0;     // the Inverse option the current picture was built with
};

extern BitmapTileStore bitmapTileStore;  // process-wide

// Empties the store, clears imageReady and resets the render parameters.
void initRenderState(BitmapTileStore& store, RenderParams& params);
void freeBitmapTiles(BitmapTileStore& store);  // deletes the bitmaps and the tile array
// No picture any more, as before the first build (the window shows nothing): for a project
// load that replaced the scan but could not build its picture.
void clearPicture(BitmapTileStore& store);
int allocBitmapTiles(BitmapTileStore& store, int32_t n);           // 0 for n = 0 or no memory
void tileCountForWidth(int32_t width, int32_t& count);             // width / 2048, rounded up
BitmapTile* getBitmapTile(BitmapTileStore& store, int32_t index);  // none outside 0 .. count-1
void getImageExtent(const BitmapTileStore& store, int32_t& width, int32_t& height);
int isImageReady(const BitmapTileStore& store);

// The same on the process-wide store.
void initRenderState();
void freeBitmapTiles();
BitmapTile* getBitmapTile(int32_t index);
void getImageExtent(int32_t& width, int32_t& height);
int isImageReady();

// Picture width for L scan lines: (L div 8) * 8 + 8, always more than L.
int64_t pictureWidth(int32_t lineCount);

}  // namespace quorvel
