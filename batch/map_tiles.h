// The mosaics as map tiles for the batch page, made while the merge writes the mosaics: every
// tile a mosaic stores, of every level (zoom Z shows level levels - 1 - Z, so the last zoom
// shows one cell per pixel), becomes 512 x 512 palette indices (0: no points, no road), coded as
// runs of zeros and of other indices and packed with the tiles of its region (PACK_TILES x
// PACK_TILES tiles of one level) into a script, view/tiles/STAMP/LAYER/Z/PX_PY.js, which the
// page loads when it first shows a tile of the region and draws into canvas tiles. A few files
// per region instead of one picture per tile, and no picture to compress: the tiles cost little
// beside the mosaics. view/tiles.js lists the layers, their ramps, palettes and tiles; the tiles
// of earlier merges go once it names the new ones (a page open meanwhile keeps the files it
// names until it is reloaded).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "batch/mosaic.h"
#include "scan/status.h"

namespace quorvel::batch {

inline constexpr int32_t PAGE_TILE_PIXELS = 512;
inline constexpr int32_t PACK_TILES = 8;

class PageTiles {
 public:
  explicit PageTiles(std::string dir);  // the batch folder; a fresh folder for the tiles
  ~PageTiles();
  PageTiles(const PageTiles&) = delete;
  PageTiles& operator=(const PageTiles&) = delete;

  // What a mosaic's writer tells of its tiles (batch/mosaic.h), as the layer `count` (bytes:
  // points per cell) or `height` (Float32 metres, NaN where there is no road).
  StoredTiles layer(bool counts);

  // Writes the tiles still held and view/tiles.js (the path given) naming the layers told of,
  // then removes the tiles of earlier merges.
  Status finish(const std::string& tilesScript);

  struct Layer;
  struct Packs;

 private:
  std::string dir_, stamp_;
  std::vector<std::unique_ptr<Layer>> layers_;
  std::unique_ptr<Packs> packs_;
};

// The run-length code of a tile's indices: [zeros][n][n indices] ..., each count an unsigned
// LEB128 number; the zeros after the last run of other indices are left out.
std::string runLengthCode(std::span<const unsigned char> indices);

}  // namespace quorvel::batch
