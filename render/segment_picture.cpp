#include "render/segment_picture.h"

namespace quorvel {

int buildSegmentPicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                        const MaskRange& mask, const ParallelOptions& parallel) {
  SegmentPainter painter{store};
  const bool segmented = store.lineSegmentMask.has_value();
  return buildMeshTiles(tiles, store, segmented, {params, mask, true, parallel}, painter);
}

int Segment2MeshBmp() {
  return buildSegmentPicture(bitmapTileStore, scanStore, renderParams, maskRange, parallelOptions);
}

}  // namespace quorvel
