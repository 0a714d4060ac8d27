// The regions picture: each region segment in its own colour, fixed by its label alone, so the
// same segmentation gives the same picture in every run; samples of no segment (unsegmented,
// rejected as too small, or left when the 10 000-segment table filled) and samples in the mask
// band white. Built only when the region segmentation has run.
#pragma once

#include <cstdint>

#include "render/class_palette.h"
#include "render/mesh_builder.h"
#include "scan/segment_lookup.h"

namespace quorvel {

// The colour of label k: the 21 bits of (k * 1296529 + 496492) mod 2^21 split into three 7-bit
// levels (blue, green, red), each spread over 16 ... 206 (never white, never near it). The
// multiplier is odd, so labels below 2^21 all get different colours. Multiplier and offset were
// chosen so that labels 0 ... 199 are all clearly coloured (no grey) and labels up to 6 apart
// (often neighbours in the picture) clearly differ.
PaletteColour regionColour(uint16_t label);

struct RegionPainter {
  const ScanStore& store;
  void prepareTile(int32_t, int32_t) {}
  void paint(int32_t l, int32_t s, uint8_t* bgr) const {
    const uint16_t label = (*store.labelMap)[sampleMajorIndex(store, l, s)];
    if (label >= MAX_SEGMENTS) return;
    const PaletteColour colour = regionColour(label);
    bgr[0] = colour.blue;
    bgr[1] = colour.green;
    bgr[2] = colour.red;
  }
};

int buildRegionPicture(BitmapTileStore& tiles, const ScanStore& store, const RenderParams& params,
                       const MaskRange& mask, const ParallelOptions& parallel);
int Region2MeshBmp();  // on the process-wide records; 1 built, 0 not (no labels: nothing changes)

}  // namespace quorvel
