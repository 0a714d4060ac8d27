// Rays in the street frame and what they hit. The street frame of a scan line: x the distance
// along the street centreline, v across it (left positive), w the height above the road datum
// (the centreline elevation at the line, continued straight along its grade). All in metres.
#pragma once

#include <cstdint>

#include "scan/geometry.h"

namespace quorvel::sim {

inline constexpr double MAX_SIMULATED_RANGE = 80.0;  // metres; farther surfaces give no return

// The ground-truth class of a sample, as stored in truth.npy.
enum class SurfaceClass : uint8_t {
  None = 0,      // no return
  Road = 1,      // the carriageway
  Vertical = 2,  // facades, poles, tunnel walls
  Other = 3,     // cars, ceilings, back walls, signs
  KerbFace = 4,  // the step between the carriageway and the footway
  Footway = 5,   // sidewalks
  Ground = 6,    // shoulders, verges, slopes and the ground beyond
};

struct StreetRay {
  Vec3 origin;     // x, v, w
  Vec3 direction;  // unit length in the world, so the ray parameter is the range
};

struct RayHit {
  double range = MAX_SIMULATED_RANGE;  // metres along the ray; the farthest hit accepted
  SurfaceClass surface = SurfaceClass::None;
  bool behindGlass = false;  // seen through a window pane, which usually swallows the pulse
};

}  // namespace quorvel::sim
