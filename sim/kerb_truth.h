// Where a scan line's plane crosses the kerbs of the scene: the foot of each kerb face (the
// edge where it meets the carriageway) in world coordinates, the one nearest to the scanner on
// each side of the street. The truth the kerb lines are measured against.
#pragma once

#include "sim/scan_line_caster.h"
#include "sim/street_frame.h"

namespace quorvel::sim {

struct KerbCrossing {
  bool found = false;  // the plane meets a kerb face on this side
  Vec3 foot{};         // world metres
  double height = 0;   // of the face; metres
};

// sides[0] right of the centreline (v < 0), sides[1] left; the walls are the caster's
// candidates of the line.
void findKerbCrossings(const LineCandidates& candidates, const StreetFrame& street,
                       const ScanPlane& plane, KerbCrossing (&sides)[2]);

}  // namespace quorvel::sim
