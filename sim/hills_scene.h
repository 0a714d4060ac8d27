// The "hills" scene: a rural road over rolling hills, with a one-sided cross slope, gravel
// shoulders, cut and fill slopes in sections, delineator posts, sign poles and one tunnel. The
// "hills-cut" and "hills-fill" scenes are the same road with every open section cut into the
// hillside, or raised on an embankment, on both sides.
#pragma once

#include <cstdint>

#include "sim/scene.h"

namespace quorvel::sim {

inline constexpr double HILLS_START_DATUM = -1.0;     // world z of the road centreline at x = 0
inline constexpr double HILLS_LANE_HALF_WIDTH = 3.5;  // metres
inline constexpr double HILLS_CROSS_SLOPE = 0.025;    // rise per metre across the lanes

enum class HillsSides { Mixed, Cut, Fill };

// The road between x0 and x1 (metres along it); the tunnel lies within [tunnelFrom, x1].
Scene buildHillsScene(uint64_t seed, double x0, double x1, double tunnelFrom,
                      HillsSides sides = HillsSides::Mixed);

}  // namespace quorvel::sim
