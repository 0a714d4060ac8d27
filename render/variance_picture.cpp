#include "render/variance_picture.h"

#include <cmath>

#include "render/class_palette.h"

namespace quorvel {

int varianceBand(double variance, double varianceTol) {
  if (!(variance >= 0)) return -1;
  // fmod of the truncated quotient is exact, so this is k mod 12 for every k an integer could
  // hold, without converting a quotient that no integer holds.
  const double band = std::fmod(std::trunc(variance / varianceTol), 12.0);
  if (std::isnan(band)) return -1;
  return band < 0 ? static_cast<int>(band) + 12 : static_cast<int>(band);
}

void VariancePainter::paint(int32_t l, int32_t s, uint8_t* bgr) const {
  const int band =
      varianceBand((*store.varianceMap)[sampleMajorIndex(store, l, s)], segment.varianceTol);
  if (band >= 0) paintPaletteColour(static_cast<unsigned>(band), bgr);
}

int buildVariancePicture(BitmapTileStore& tiles, const ScanStore& store,
                         const SegmentParams& segment, const RenderParams& params,
                         const MaskRange& mask, const ParallelOptions& parallel) {
  VariancePainter painter{store, segment};
  const size_t count =
      static_cast<size_t>(store.lineCount) * static_cast<size_t>(store.pointsPerLine);
  const bool ready = store.lines && store.varianceMap && store.varianceMap->size() == count;
  return buildMeshTiles(tiles, store, ready, {params, mask, true, parallel}, painter);
}

int Variance2MeshBmp() {
  return buildVariancePicture(bitmapTileStore, scanStore, segmentParams, renderParams, maskRange,
                              parallelOptions);
}

}  // namespace quorvel
