// The range picture: each sample grey from its range (rangeGreyScale levels per unit, held
// within 0 ... 255, truncated); samples in the mask band white.
#pragma once

#include <cstdint>

#include "render/mesh_builder.h"
#include "scan/byte_level.h"

namespace quorvel {

struct RangePainter {
  const ScanStore& store;
  const RenderParams& params;
  void prepareTile(int32_t, int32_t) {}
  void paint(int32_t l, int32_t s, uint8_t* bgr) const {
    bgr[0] = bgr[1] = bgr[2] = byteLevel(rangeOf(store, l, s), params.rangeGreyScale);
  }
};

int buildRangePicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                      const MaskRange& mask, const ParallelOptions& parallel);
int Range2MeshBmp();  // on the process-wide records; 1 built, 0 not

}  // namespace quorvel
