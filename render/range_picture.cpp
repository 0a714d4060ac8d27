#include "render/range_picture.h"

namespace quorvel {

uint8_t rangeGrey(double range, double greyScale) {
  double v = range * greyScale;
  if (v < 0 || v != v) {
    v = 0;
  } else if (v > 255) {
    v = 255;
  }
  return static_cast<uint8_t>(v);
}

int buildRangePicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                      const MaskRange& mask, const ParallelOptions& parallel) {
  RangePainter painter{store, params};
  const bool loaded = store.lines.has_value();
  return buildMeshTiles(tiles, store, loaded, {params, mask, true, parallel}, painter);
}

int Range2MeshBmp() {
  return buildRangePicture(bitmapTileStore, scanStore, renderParams, maskRange, parallelOptions);
}

}  // namespace quorvel
