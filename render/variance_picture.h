// The variance picture: each VarianceMap value as a ClassPalette band of width varianceTol,
// entry trunc(v / varianceTol) mod 12 (0 <= v < 0.004 blue, then green, red, ... with the
// default tolerance); white where there is no value and in the mask band.
#pragma once

#include <cstdint>

#include "features/segment_params.h"
#include "render/mesh_builder.h"

namespace quorvel {

// Palette entry of a variance value; -1 (white) for a value below 0 (NO_VARIANCE) or NaN, and
// for a quotient too large to be a band (the tolerance 0, or a value beyond any real surface).
// A negative tolerance gives negative bands, taken modulo 12 into 0 ... 11.
int varianceBand(double variance, double varianceTol);

struct VariancePainter {
  const ScanStore& store;
  const SegmentParams& segment;
  void prepareTile(int32_t, int32_t) {}
  void paint(int32_t l, int32_t s, uint8_t* bgr) const;
};

// Builds nothing (0) unless scan lines are loaded and the VarianceMap has been computed.
int buildVariancePicture(BitmapTileStore& tiles, const ScanStore& store,
                         const SegmentParams& segment, const RenderParams& params,
                         const MaskRange& mask, const ParallelOptions& parallel);
int Variance2MeshBmp();  // on the process-wide records; 1 built, 0 not

}  // namespace quorvel
