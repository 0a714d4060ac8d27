#include "segment/segment_class.h"

#include <cmath>

namespace quorvel {

namespace {

uint8_t verticalClass(const SegmentRecord& segment, double maxZ) {
  if (segment.var < ROUGH_VAR) return maxZ < 0 ? 3 : 2;
  if (maxZ < 0) return 5;
  const double ratio =
      static_cast<double>(segment.boundaryPt) / static_cast<double>(segment.pointNum);
  if (ratio >= COMPACT_RATIO) return 4;
  return segment.pointNum > LARGE_POINT_NUM ? 2 : 4;
}

}  // namespace

uint8_t segmentClassCode(const SegmentRecord& segment) {
  const double nz = std::fabs(segment.normal[2]);
  const double maxZ = segment.maxPt[2];
  uint8_t code = 7;
  if (nz > HORIZONTAL_NZ) code = maxZ <= 0 ? 0 : 1;
  if (nz < VERTICAL_NZ) code = verticalClass(segment, maxZ);
  if (code == 7) {
    if (maxZ >= 0) {
      code = 4;
    } else if (segment.width < MAX_NARROW_WIDTH) {
      code = 6;
    }
  }
  return code;
}

}  // namespace quorvel
