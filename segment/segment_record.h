// Filling a SegmentRecord from the points of a grown region.
#pragma once

#include <cstdint>

#include "scan/derived_buffers.h"

namespace quorvel {

inline constexpr double EXTREME_START = 99999999.0;  // bounding box start: max -this, min +this

// Writes every field: label, the plane of fitPlane and its residual, the bounding box with
// width and height (points taken in order, ties to the later point), the counts and the class.
// x, y, z hold pointNum >= 1 points in acceptance order.
void describeSegment(uint16_t label, const double* x, const double* y, const double* z,
                     int32_t pointNum, int32_t boundaryPt, SegmentRecord& segment);

}  // namespace quorvel
