// The surface picture: each sample in the colour of its surface class (SURFACE_COLOURS: no point
// black, carriageway grey, vertical blue, other yellow, kerb red, ground green); samples in the
// mask band white. Built only when the surface classification has run.
#pragma once

#include "features/range_image.h"
#include "render/bitmap_tile_store.h"
#include "scan/parallel_for.h"

namespace quorvel {

int buildSurfacePicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                        const MaskRange& mask, const ParallelOptions& parallel);

}  // namespace quorvel
