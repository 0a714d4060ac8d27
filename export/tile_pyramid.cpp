#include "export/tile_pyramid.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvel {

namespace {

constexpr int32_t HALF_TILE = TILE_CELLS / 2;

template <typename T>
T emptyValue(const TileCells& cells) {
  return static_cast<T>(cells.noData.value_or(0.0));
}

template <typename T>
bool isNoData(T value, const TileCells& cells) {
  if (!cells.noData) return false;
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(*cells.noData)) return std::isnan(value);
  }
  return value == static_cast<T>(*cells.noData);
}

template <typename T>
T cellAt(std::span<const unsigned char> tile, size_t index) {
  T value;
  std::memcpy(&value, tile.data() + index * sizeof(T), sizeof(T));
  return value;
}

template <typename T>
void setCell(std::span<unsigned char> tile, size_t index, T value) {
  std::memcpy(tile.data() + index * sizeof(T), &value, sizeof(T));
}

// The mean of n values summing to sum, in the cell type.
template <typename T>
T meanOf(double sum, int n) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(sum / n);
  } else {
    const int64_t total = static_cast<int64_t>(sum);
    return static_cast<T>((total + n / 2) / n);
  }
}

template <typename T>
void downsample(std::span<const unsigned char> child, TileIndex childTile, LevelSize childLevel,
                std::span<unsigned char> parent, const TileCells& cells) {
  // The child's cells on its level; beyond them the tile is padding.
  const int64_t rows =
      std::min<int64_t>(TILE_CELLS, childLevel.length - int64_t{childTile.row} * TILE_CELLS);
  const int64_t columns =
      std::min<int64_t>(TILE_CELLS, childLevel.width - int64_t{childTile.column} * TILE_CELLS);
  const size_t top = static_cast<size_t>(childTile.row % 2) * HALF_TILE;
  const size_t left = static_cast<size_t>(childTile.column % 2) * HALF_TILE;
  for (int64_t r = 0; r < rows; r += 2) {
    for (int64_t c = 0; c < columns; c += 2) {
      double sum = 0.0;
      int n = 0;
      for (int64_t i = r; i < std::min(r + 2, rows); ++i) {
        for (int64_t j = c; j < std::min(c + 2, columns); ++j) {
          const T value = cellAt<T>(child, static_cast<size_t>(i * TILE_CELLS + j));
          if (isNoData(value, cells)) continue;
          sum += static_cast<double>(value);
          ++n;
        }
      }
      const size_t out =
          (top + static_cast<size_t>(r / 2)) * TILE_CELLS + left + static_cast<size_t>(c / 2);
      setCell<T>(parent, out, n > 0 ? meanOf<T>(sum, n) : emptyValue<T>(cells));
    }
  }
}

template <typename T>
void clear(std::span<unsigned char> tile, const TileCells& cells) {
  const T value = emptyValue<T>(cells);
  for (size_t i = 0; i < tile.size() / sizeof(T); ++i) setCell<T>(tile, i, value);
}

template <typename T>
bool isEmpty(std::span<const unsigned char> tile, const TileCells& cells) {
  const T empty = emptyValue<T>(cells);
  for (size_t i = 0; i < tile.size() / sizeof(T); ++i) {
    const T value = cellAt<T>(tile, i);
    if (!(value == empty || isNoData(value, cells))) return false;
  }
  return true;
}

}  // namespace

std::vector<LevelSize> pyramidLevels(int64_t width, int64_t length) {
  std::vector<LevelSize> levels{{width, length}};
  while (std::max(levels.back().width, levels.back().length) > OVERVIEW_LONG_SIDE) {
    levels.push_back({(levels.back().width + 1) / 2, (levels.back().length + 1) / 2});
  }
  return levels;
}

size_t tileBytes(GridCells type) {
  return size_t{TILE_CELLS} * TILE_CELLS * (type == GridCells::Float32 ? 4 : 1);
}

void clearTile(std::span<unsigned char> tile, const TileCells& cells) {
  if (cells.type == GridCells::Float32) return clear<float>(tile, cells);
  clear<uint8_t>(tile, cells);
}

bool isEmptyTile(std::span<const unsigned char> tile, const TileCells& cells) {
  return cells.type == GridCells::Float32 ? isEmpty<float>(tile, cells)
                                          : isEmpty<uint8_t>(tile, cells);
}

std::vector<TileIndex> parentTiles(const std::vector<TileIndex>& tiles) {
  std::vector<TileIndex> parents;
  for (const TileIndex& tile : tiles) parents.push_back({tile.row / 2, tile.column / 2});
  std::sort(parents.begin(), parents.end());
  parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
  return parents;
}

void downsampleIntoParent(std::span<const unsigned char> child, TileIndex childTile,
                          LevelSize childLevel, std::span<unsigned char> parent,
                          const TileCells& cells) {
  if (cells.type == GridCells::Float32) {
    return downsample<float>(child, childTile, childLevel, parent, cells);
  }
  downsample<uint8_t>(child, childTile, childLevel, parent, cells);
}

}  // namespace quorvel
