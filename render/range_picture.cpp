#include "render/range_picture.h"

namespace quorvel {

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
