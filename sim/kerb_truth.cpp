#include "sim/kerb_truth.h"

#include <cmath>

namespace quorvel::sim {

void findKerbCrossings(const LineCandidates& candidates, const StreetFrame& street,
                       const ScanPlane& plane, KerbCrossing (&sides)[2]) {
  const Vec3 &o = plane.origin, &a = plane.scanX, &b = plane.scanY;
  const Vec3 normal = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                       a[0] * b[1] - a[1] * b[0]};
  double nearest[2] = {INFINITY, INFINITY};
  sides[0] = sides[1] = {};
  for (const Wall* wall : candidates.walls) {
    if (wall->surface != SurfaceClass::KerbFace || wall->axis != WallAxis::Along) continue;
    if (normal[0] == 0) continue;
    const double v = wall->position, w = wall->w0;
    const double x = o[0] - (normal[1] * (v - o[1]) + normal[2] * (w - o[2])) / normal[0];
    const int side = v < 0 ? 0 : 1;
    if (x < wall->s0 || x > wall->s1 || std::fabs(v - o[1]) >= nearest[side]) continue;
    nearest[side] = std::fabs(v - o[1]);
    sides[side] = {true, fromStreetPoint(street, {x, v, w}), wall->w1 - wall->w0};
  }
}

}  // namespace quorvel::sim
