// The "street" scene: an urban street with two crowned lanes, parking strips, curbs,
// sidewalks, building facades with windows and doors, alleys, poles and parked cars.
#pragma once

#include <cstdint>

#include "sim/scene.h"

namespace quorvel::sim {

inline constexpr double STREET_DATUM = -1.0;           // world z of the street centreline
inline constexpr double STREET_CROWN_SLOPE = 0.025;    // fall per metre from the centreline
inline constexpr double CARRIAGEWAY_HALF_WIDTH = 5.5;  // lanes and parking strips; metres
inline constexpr double FACADE_OFFSET = 8.0;           // |v| of the building line; metres

// The street between x0 and x1 (metres along it), laid out from the seed.
Scene buildStreetScene(uint64_t seed, double x0, double x1);

}  // namespace quorvel::sim
