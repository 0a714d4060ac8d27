// The tiles of a one-band raster and of its overview levels, as a Cloud-Optimized GeoTIFF holds
// them: square tiles of TILE_CELLS, level 0 the raster itself, each further level half the size
// of the one before (rounded up) until the long side is at most OVERVIEW_LONG_SIDE cells.
//
// A cell (r, c) of level k is the mean of the cells (2r, 2c), (2r, 2c + 1), (2r + 1, 2c) and
// (2r + 1, 2c + 1) of level k - 1 that lie on that level and are not no-data (bytes rounded half
// up, Float32 from the mean in double); no-data where there is none. So tile (r, c) of level k
// is made of the tiles (2r ... 2r + 1, 2c ... 2c + 1) of level k - 1, each filling one quarter.
// Without a no-data value every cell on the level counts (a count of 0 is a count).
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvel {

inline constexpr int32_t TILE_CELLS = 512;           // cells on a tile's side
inline constexpr int64_t OVERVIEW_LONG_SIDE = 1024;  // the smallest level's long side at most

enum class GridCells { UInt8, Float32 };

// What a tile's cells hold: their type and the no-data value, if any. A tile holding nothing
// but the empty value (no-data, or 0 without one) is not stored: GDAL reads a missing tile as it.
struct TileCells {
  GridCells type = GridCells::UInt8;
  std::optional<double> noData;
};

struct TileIndex {
  int32_t row = 0;  // from the top (north) of the level
  int32_t column = 0;
  auto operator<=>(const TileIndex&) const = default;
};

struct LevelSize {
  int64_t width = 0;
  int64_t length = 0;
};

// Level 0 (width x length) and every overview level after it.
std::vector<LevelSize> pyramidLevels(int64_t width, int64_t length);

size_t tileBytes(GridCells type);  // TILE_CELLS x TILE_CELLS cells

// Sets every cell to the empty value.
void clearTile(std::span<unsigned char> tile, const TileCells& cells);
bool isEmptyTile(std::span<const unsigned char> tile, const TileCells& cells);

// The tiles of the next level that the given tiles (sorted, of one level) fall in, sorted.
std::vector<TileIndex> parentTiles(const std::vector<TileIndex>& tiles);

// Writes the quarter of the parent tile that the child tile (on a level of childLevel's size)
// makes, from the child's cells.
void downsampleIntoParent(std::span<const unsigned char> child, TileIndex childTile,
                          LevelSize childLevel, std::span<unsigned char> parent,
                          const TileCells& cells);

}  // namespace quorvel
