// The segment picture: each sample in the ClassPalette colour of its line segment mask code
// (code k uses entry k mod 12, so 0 and 4 are both blue); samples in the mask band white. Built
// only when the line segmentation has run.
#pragma once

#include <cstdint>

#include "features/range_image.h"
#include "render/bitmap_tile_store.h"
#include "scan/parallel_for.h"

namespace quorvel {

int buildSegmentPicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                        const MaskRange& mask, const ParallelOptions& parallel);
int Segment2MeshBmp();  // on the process-wide records; 1 built, 0 not (no mask: nothing changes)

}  // namespace quorvel
