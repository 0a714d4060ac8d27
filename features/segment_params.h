// The parameters of the surface estimation and the segmentations. One process-wide block,
// `segmentParams`; resetSegmentParams sets the defaults and nothing else writes them.
#pragma once

#include <cstdint>

namespace quorvel {

struct SegmentParams {
  int32_t winHalfSize = 3;      // K: the normal of a sample fits its (2K + 1)^2 window; 1 ... 12
  int32_t minRegionSize = 10;   // fewest samples a grown region needs to become a segment
  double maxPointDist = 1.0;    // largest distance of a neighbour point that may join; length unit
  double maxFitResidual = 0.2;  // largest plane-fit residual that still stores a normal
  double varianceTol = 0.004;   // band width of the variance picture; region growth tolerance
};

extern SegmentParams segmentParams;  // process-wide

void resetSegmentParams(SegmentParams& params);  // the defaults above
void resetSegmentParams();                       // on the process-wide block

}  // namespace quorvel
