// The one build procedure behind every picture. A picture has W = (L div 8) * 8 + 8 columns
// (column k shows scan line min(k, L - 1)) cut into tiles of at most 2048 columns, and one row
// per sample: sample 0 on top, or at the bottom with the Inverse option. Each tile is painted
// into one reused working buffer (a 40-byte bitmap header, 1028 reserved bytes, bottom-up
// Blue-Green-Red rows) and handed to the window system as a bitmap.
//
// A painter supplies the colours:
//   void prepareTile(int32_t firstLine, int32_t lastLine);  // lines the next tile shows
//   void paint(int32_t l, int32_t s, uint8_t* bgr);         // writes the pixel or leaves it white
// paint() is called from several threads at once for different pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "features/range_image.h"
#include "render/bitmap_tile_store.h"
#include "scan/parallel_for.h"

namespace quorvel {

inline constexpr size_t TILE_BUFFER_HEADER_SIZE = 1068;  // info header + colour table room

struct MeshBuildSettings {
  const RenderParams& params;
  const MaskRange& mask;
  bool honoursMask;  // samples in the mask band stay white
  const ParallelOptions& parallel;
};

// Steps before painting: returns false (and builds nothing) when the precondition fails, the
// scan has no line, or memory runs out (the last one with the builders' memory message).
bool beginMeshBuild(BitmapTileStore& tiles, const ScanStore& store, bool precondition,
                    std::vector<unsigned char>& buffer);

// Turns the painted buffer into tile i's bitmap, replacing an older one.
void finishTile(BitmapTileStore& tiles, int32_t index, const std::vector<unsigned char>& buffer);

// Sample shown by stored row r (0 = bottom row).
inline int32_t sampleOfRow(int32_t row, int32_t height, const RenderParams& params) {
  return params.inverse ? row : height - 1 - row;
}

template <typename Painter>
void paintTile(const BitmapTileStore& tiles, const ScanStore& store,
               const MeshBuildSettings& settings, int32_t x0, Painter& painter,
               unsigned char* rows) {
  const int32_t width = tiles.tileWidth, height = tiles.tileHeight;
  const int32_t lastLine = store.lineCount - 1;
  painter.prepareTile(std::min(x0, lastLine), std::min(x0 + width - 1, lastLine));
  parallelFor(static_cast<size_t>(width), settings.parallel, [&](size_t begin, size_t end) {
    for (size_t k = begin; k < end; ++k) {
      const int32_t l = std::min(x0 + static_cast<int32_t>(k), lastLine);
      for (int32_t r = 0; r < height; ++r) {
        const int32_t s = sampleOfRow(r, height, settings.params);
        if (settings.honoursMask && inMaskBand(settings.mask, s)) continue;
        painter.paint(l, s, rows + (static_cast<size_t>(r) * width + k) * 3);
      }
    }
  });
}

// Builds the whole picture; 1 when built, 0 when nothing changed or the store was emptied.
template <typename Painter>
int buildMeshTiles(BitmapTileStore& tiles, const ScanStore& store, bool precondition,
                   const MeshBuildSettings& settings, Painter& painter) {
  std::vector<unsigned char> buffer;
  if (!beginMeshBuild(tiles, store, precondition, buffer)) return 0;
  tiles.inverse = settings.params.inverse;
  unsigned char* rows = buffer.data() + TILE_BUFFER_HEADER_SIZE;
  for (int32_t i = 0; i < tiles.count; ++i) {
    std::fill(buffer.begin() + TILE_BUFFER_HEADER_SIZE, buffer.end(), 255);
    const int32_t x0 = i * tiles.tileWidth;
    BitmapTile& tile = *getBitmapTile(tiles, i);
    tile.x = x0;
    tile.y = 0;
    paintTile(tiles, store, settings, x0, painter, rows);
    finishTile(tiles, i, buffer);
  }
  return 1;
}

}  // namespace quorvel
