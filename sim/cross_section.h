// A street cross-section as a polyline across the street, turned into scene primitives over
// an x range: a sloped segment becomes a surface piece, a vertical step (two vertices at the
// same v) a wall along the street, as at a curb face.
#pragma once

#include <vector>

#include "sim/scene.h"

namespace quorvel::sim {

struct ProfileVertex {
  double v;                 // across the street, left positive; not decreasing along the list
  double w;                 // height above the road datum
  SurfaceClass towardNext;  // the class of the segment to the next vertex
};

using CrossSection = std::vector<ProfileVertex>;

void addCrossSection(Scene& scene, double x0, double x1, const CrossSection& section);

// The same section mirrored to the other side of the centreline (v becomes -v).
CrossSection mirrored(const CrossSection& section);

}  // namespace quorvel::sim
