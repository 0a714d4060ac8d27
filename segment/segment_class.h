// The class code of a region segment, from its plane normal, height, spread and boundary.
//   0 horizontal, at or below 0      1 horizontal, above 0
//   2 vertical, at or above 0 (flat, or rough but large and compact)
//   3 vertical and flat, below 0     4 rough vertical or slanted, at or above 0
//   5 rough vertical, below 0        6 / 7 slanted below 0, narrower / at least MAX_NARROW_WIDTH
#pragma once

#include <cstdint>

#include "scan/derived_buffers.h"

namespace quorvel {

inline constexpr double HORIZONTAL_NZ = 0.99;    // |normal.z| above this: horizontal
inline constexpr double VERTICAL_NZ = 0.1;       // |normal.z| below this: vertical
inline constexpr double ROUGH_VAR = 0.2;         // plane residual from which a surface is rough
inline constexpr double COMPACT_RATIO = 0.3;     // boundary share from which a segment is ragged
inline constexpr int32_t LARGE_POINT_NUM = 60;   // more points than this: a large segment
inline constexpr double MAX_NARROW_WIDTH = 5.0;  // width from which a low slant is class 7

// Needs normal, var, maxPt, width, pointNum (> 0) and boundaryPt.
uint8_t segmentClassCode(const SegmentRecord& segment);

}  // namespace quorvel
