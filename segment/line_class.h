// The class codes of the line segmentation: one byte per sample in the line segment mask, and
// the class of each LineSegment record (line, road or vertical, the same values).
#pragma once

#include <cstdint>

namespace quorvel {

inline constexpr uint8_t MASK_NO_POINT = 0;        // no scan-plane point (may still end a piece)
inline constexpr uint8_t MASK_NO_LINE = 8;         // a point on no line segment
inline constexpr uint8_t LINE_CLASS_LINE = 4;      // neither road nor vertical
inline constexpr uint8_t LINE_CLASS_ROAD = 2;      // nearly horizontal and low
inline constexpr uint8_t LINE_CLASS_VERTICAL = 1;  // near the vertical
inline constexpr uint8_t MASK_PIECE_END =
    5;  // end of a piece; finally only one that starts no record

}  // namespace quorvel
