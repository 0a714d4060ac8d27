#include "features/segment_params.h"

namespace quorvel {

SegmentParams segmentParams;

void resetSegmentParams(SegmentParams& params) {
  params = SegmentParams{};
}

void resetSegmentParams() {
  resetSegmentParams(segmentParams);
}

}  // namespace quorvel
