// A scene: the road elevation and the primitives along the street, kept sorted by where they
// start along it, so that a scan line looks only at those within its reach.
#pragma once

#include <vector>

#include "sim/scene_primitives.h"
#include "sim/wave_sum.h"

namespace quorvel::sim {

// Primitives of one kind, sorted by alongStart() once the scene is finished.
template <typename Primitive>
struct PrimitiveList {
  std::vector<Primitive> items;
  double longest = 0;  // metres: the largest alongEnd() - alongStart()
};

struct Scene {
  WaveSum elevation;  // world z of the road datum (centreline) against the distance along
  PrimitiveList<SurfacePiece> pieces;
  PrimitiveList<Wall> walls;
  PrimitiveList<Pole> poles;
  PrimitiveList<Box> boxes;
};

void finishScene(Scene& scene);  // sorts every list; call once after adding primitives

// The primitives that reach into an x range, chosen once per scan line.
struct LineCandidates {
  std::vector<const SurfacePiece*> pieces;
  std::vector<const Wall*> walls;
  std::vector<const Pole*> poles;
  std::vector<const Box*> boxes;
};

void selectCandidates(const Scene& scene, double x0, double x1,
                      LineCandidates& candidates);  // x0 <= x1, metres along

// The nearest hit among the candidates (none beyond MAX_SIMULATED_RANGE).
RayHit castRay(const LineCandidates& candidates, const StreetRay& ray);

}  // namespace quorvel::sim
