// The surface class of every sample, one byte each in the surface class map (line-major, like
// the line segment mask). The codes are those of the simulator's truth, which splits the ground
// class further into footway (5) and other ground (6).
#pragma once

#include <cstdint>

namespace quorvel {

inline constexpr uint8_t SURFACE_NO_POINT = 0;     // the sample has no point
inline constexpr uint8_t SURFACE_CARRIAGEWAY = 1;  // the road surface the vehicle drives on
inline constexpr uint8_t SURFACE_VERTICAL = 2;     // walls, facades, poles, trunks: tall and steep
inline constexpr uint8_t SURFACE_OTHER = 3;        // vehicles, vegetation, ceilings, objects
inline constexpr uint8_t SURFACE_KERB = 4;         // the face of the step up to the footway
inline constexpr uint8_t SURFACE_GROUND = 5;       // footways, shoulders, verges, slopes, fields

}  // namespace quorvel
