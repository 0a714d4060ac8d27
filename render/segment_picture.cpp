#include "render/segment_picture.h"

#include "render/class_map_painter.h"
#include "render/class_palette.h"

namespace quorvel {

int buildSegmentPicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                        const MaskRange& mask, const ParallelOptions& parallel) {
  ClassMapPainter<paintPaletteColour> painter{store, store.lineSegmentMask};
  const bool segmented = store.lineSegmentMask.has_value();
  return buildMeshTiles(tiles, store, segmented, {params, mask, true, parallel}, painter);
}

int Segment2MeshBmp() {
  return buildSegmentPicture(bitmapTileStore, scanStore, renderParams, maskRange, parallelOptions);
}

}  // namespace quorvel
