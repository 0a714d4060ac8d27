// The surface class of every sample of one scan line, from its ground profile and carriageway
// bounds: the road stretch up to each bound is carriageway and beyond it ground; the points of a
// kerb face are kerb; from the road's end (or the footway beyond a kerb) the ground is followed
// outward while each point rises or falls from the last at most GROUND_MAX_SLOPE; of the points
// left, runs that stand within VERTICAL_WIDTH of one offset over VERTICAL_MIN_HEIGHT or more are
// vertical, level points at most LOW_GROUND_HEIGHT above the road are ground, and the rest other.
#pragma once

#include <cstdint>
#include <span>

#include "scan/derived_buffers.h"
#include "segment/carriageway_bounds.h"
#include "segment/ground_profile.h"

namespace quorvel {

inline constexpr double GROUND_MAX_SLOPE = 1.6;     // rise per metre (58 degrees)
inline constexpr double VERTICAL_WIDTH = 0.15;      // metres across
inline constexpr double VERTICAL_MIN_HEIGHT = 1.3;  // metres
inline constexpr double LEVEL_SLOPE = 0.3;          // a level point's slope to a neighbour
inline constexpr double LOW_GROUND_HEIGHT = 0.5;    // metres above the road near the nadir

// Writes the P classes of the line into row.
void labelSurfaces(const LineGround& line, const SideBound (&bounds)[2], std::span<uint8_t> row);

// The kerb foot of one side: found when the side is bounded by its own kerb.
KerbFoot kerbFoot(const LineGround& line, const SideBound& bound, int side);

}  // namespace quorvel
