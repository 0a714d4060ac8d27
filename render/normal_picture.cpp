#include "render/normal_picture.h"

#include "features/variance_map.h"

namespace quorvel {

void NormalPainter::paint(int32_t l, int32_t s, uint8_t* bgr) const {
  const Vec3& normal = (*store.normalMap)[sampleMajorIndex(store, l, s)];
  if (normal[0] == NO_NORMAL) return;  // only x marks a missing normal
  bgr[0] = byteLevel(normal[0], params.normalColourScale);
  bgr[1] = byteLevel(normal[1], params.normalColourScale);
  bgr[2] = byteLevel(normal[2], params.normalColourScale);
}

int buildNormalPicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                       const MaskRange& mask, const ParallelOptions& parallel) {
  NormalPainter painter{store, params};
  const size_t count =
      static_cast<size_t>(store.lineCount) * static_cast<size_t>(store.pointsPerLine);
  const bool ready = store.lines && store.normalMap && store.normalMap->size() == count;
  return buildMeshTiles(tiles, store, ready, {params, mask, true, parallel}, painter);
}

int Normal2MeshBmp() {
  return buildNormalPicture(bitmapTileStore, scanStore, renderParams, maskRange, parallelOptions);
}

}  // namespace quorvel
