#include "render/region_picture.h"

namespace quorvel {

namespace {

constexpr uint32_t COLOUR_BITS = 21;
constexpr uint32_t COLOUR_MULTIPLIER = 1296529;  // odd
constexpr uint32_t COLOUR_OFFSET = 496492;

uint8_t spreadLevel(uint32_t level) {  // 0 ... 127 to 16 ... 206, strictly increasing
  return static_cast<uint8_t>(16 + level * 3 / 2);
}

}  // namespace

PaletteColour regionColour(uint16_t label) {
  const uint32_t mixed = (label * COLOUR_MULTIPLIER + COLOUR_OFFSET) & ((1u << COLOUR_BITS) - 1);
  return {spreadLevel(mixed & 127), spreadLevel((mixed >> 7) & 127),
          spreadLevel((mixed >> 14) & 127)};
}

int buildRegionPicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                       const MaskRange& mask, const ParallelOptions& parallel) {
  RegionPainter painter{store};
  const size_t count =
      static_cast<size_t>(store.lineCount) * static_cast<size_t>(store.pointsPerLine);
  const bool segmented = store.lines && store.labelMap && store.labelMap->size() == count;
  return buildMeshTiles(tiles, store, segmented, {params, mask, true, parallel}, painter);
}

int Region2MeshBmp() {
  return buildRegionPicture(bitmapTileStore, scanStore, renderParams, maskRange, parallelOptions);
}

}  // namespace quorvel
