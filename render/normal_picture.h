// The normal picture: Blue, Green and Red from the x, y and z components of each NormalMap
// entry (normalColourScale levels per unit, held within 0 ... 255, truncated), so a level
// surface is red; white where there is no normal and in the mask band.
#pragma once

#include <cstdint>

#include "render/mesh_builder.h"
#include "scan/byte_level.h"

namespace quorvel {

struct NormalPainter {
  const ScanStore& store;
  const RenderParams& params;
  void prepareTile(int32_t, int32_t) {}
  void paint(int32_t l, int32_t s, uint8_t* bgr) const;
};

// Builds nothing (0) unless scan lines are loaded and the NormalMap has been computed.
int buildNormalPicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                       const MaskRange& mask, const ParallelOptions& parallel);
int Normal2MeshBmp();  // on the process-wide records; 1 built, 0 not

}  // namespace quorvel
