#include "render/surface_picture.h"

#include "render/class_map_painter.h"
#include "render/class_palette.h"

namespace quorvel {

int buildSurfacePicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                        const MaskRange& mask, const ParallelOptions& parallel) {
  ClassMapPainter<paintSurfaceColour> painter{store, store.surfaceClassMap};
  return buildMeshTiles(tiles, store, store.surfaceClassMap.has_value(),
                        {params, mask, true, parallel}, painter);
}

}  // namespace quorvel
