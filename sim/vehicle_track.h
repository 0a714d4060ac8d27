// The vehicle's drive: where each scan line was taken along a gently curving street, in the
// right lane with a little wander, and the pose recorded for it.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/street_frame.h"
#include "sim/wave_sum.h"

namespace quorvel::sim {

inline constexpr double VEHICLE_HEIGHT = 1.0;  // reference point above the road datum; metres
inline constexpr double LANE_OFFSET = -1.75;   // mean v of the vehicle: the right lane

struct TrackPose {
  StreetFrame street;  // the street frame at the vehicle
  Vec3 attitude;       // as recorded: rotation angles about x, y, z; radians
  Vec3 position;       // as recorded: world metres
};

// The distance along the street of every record, the first at 0; spacing 5.5 to 19.5 cm.
std::vector<double> lineArcLengths(uint64_t seed, int records);

// One pose per arc length. The path starts at the world origin heading along +x, with a
// curvature radius of at least 300 m; the road datum follows the elevation.
std::vector<TrackPose> driveTrack(uint64_t seed, const std::vector<double>& arcLengths,
                                  const WaveSum& elevation);

}  // namespace quorvel::sim
