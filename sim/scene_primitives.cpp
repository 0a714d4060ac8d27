#include "sim/scene_primitives.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quorvel::sim {

namespace {

constexpr double MIN_RANGE = 1e-9;  // metres; hits at the ray origin do not count

bool within(double value, double lo, double hi) {
  return value >= lo && value <= hi;
}

bool isNearer(double range, const RayHit& nearest) {
  return range > MIN_RANGE && range < nearest.range;
}

double pointOnRay(const StreetRay& ray, int axis, double range) {
  return ray.origin[axis] + ray.direction[axis] * range;
}

// The range at which the ray meets the plane `axis` = position; none when parallel.
bool planeRange(const StreetRay& ray, int axis, double position, double& range) {
  if (ray.direction[axis] == 0) return false;
  range = (position - ray.origin[axis]) / ray.direction[axis];
  return true;
}

const Opening* openingAt(const Wall& wall, double s, double w) {
  for (const Opening& opening : wall.openings) {
    if (within(s, opening.s0, opening.s1) && within(w, opening.w0, opening.w1)) return &opening;
  }
  return nullptr;
}

// The ray's entry into the box along one axis, narrowing [enter, leave]; false when it misses.
bool clipToSlab(const StreetRay& ray, const Box& box, int axis, double& enter, double& leave) {
  const double origin = ray.origin[axis], direction = ray.direction[axis];
  if (direction == 0) return within(origin, box.low[axis], box.high[axis]);
  double near = (box.low[axis] - origin) / direction, far = (box.high[axis] - origin) / direction;
  if (near > far) std::swap(near, far);
  enter = std::max(enter, near);
  leave = std::min(leave, far);
  return enter <= leave;
}

}  // namespace

Wall alongWall(double v, double x0, double x1, double w0, double w1, SurfaceClass surface) {
  return {WallAxis::Along, v, x0, x1, w0, w1, v < 0 ? -1.0 : 1.0, surface, {}};
}

Wall acrossWall(double x, double v0, double v1, double w0, double w1, SurfaceClass surface) {
  return {WallAxis::Across, x, v0, v1, w0, w1, 1.0, surface, {}};
}

double alongStart(const SurfacePiece& piece) {
  return piece.x0;
}
double alongEnd(const SurfacePiece& piece) {
  return piece.x1;
}
double alongStart(const Wall& wall) {
  return wall.axis == WallAxis::Along ? wall.s0 : wall.position;
}
double alongEnd(const Wall& wall) {
  return wall.axis == WallAxis::Along ? wall.s1 : wall.position;
}
double alongStart(const Pole& pole) {
  return pole.x - pole.radius;
}
double alongEnd(const Pole& pole) {
  return pole.x + pole.radius;
}
double alongStart(const Box& box) {
  return box.low[0];
}
double alongEnd(const Box& box) {
  return box.high[0];
}

void intersect(const StreetRay& ray, const SurfacePiece& piece, RayHit& nearest) {
  const double slope = (piece.w1 - piece.w0) / (piece.v1 - piece.v0);
  const double closing = ray.direction[2] - slope * ray.direction[1];
  if (closing == 0) return;
  const double range = (piece.w0 + slope * (ray.origin[1] - piece.v0) - ray.origin[2]) / closing;
  if (!isNearer(range, nearest)) return;
  if (!within(pointOnRay(ray, 1, range), piece.v0, piece.v1)) return;
  if (!within(pointOnRay(ray, 0, range), piece.x0, piece.x1)) return;
  nearest = {range, piece.surface, false};
}

void intersect(const StreetRay& ray, const Wall& wall, RayHit& nearest) {
  const int normal = static_cast<int>(wall.axis), span = 1 - normal;
  double range;
  if (!planeRange(ray, normal, wall.position, range) || !isNearer(range, nearest)) return;
  const double s = pointOnRay(ray, span, range), w = pointOnRay(ray, 2, range);
  if (!within(s, wall.s0, wall.s1) || !within(w, wall.w0, wall.w1)) return;
  const Opening* opening = openingAt(wall, s, w);
  if (!opening) {
    nearest = {range, wall.surface, false};
    return;
  }
  if (opening->kind == OpeningKind::Passage) return;
  const double recessed = wall.position + wall.recessSide * opening->recess;
  if (!planeRange(ray, normal, recessed, range) || !isNearer(range, nearest)) return;
  nearest = {range, wall.surface, opening->kind == OpeningKind::Glass};
}

void intersect(const StreetRay& ray, const Pole& pole, RayHit& nearest) {
  const double dx = ray.direction[0], dv = ray.direction[1];
  const double px = ray.origin[0] - pole.x, pv = ray.origin[1] - pole.v;
  const double a = dx * dx + dv * dv;
  const double halfB = px * dx + pv * dv;
  const double c = px * px + pv * pv - pole.radius * pole.radius;
  const double discriminant = halfB * halfB - a * c;
  if (a == 0 || discriminant < 0) return;
  const double range = (-halfB - std::sqrt(discriminant)) / a;
  if (!isNearer(range, nearest) || !within(pointOnRay(ray, 2, range), pole.w0, pole.w1)) return;
  nearest = {range, pole.surface, false};
}

void intersect(const StreetRay& ray, const Box& box, RayHit& nearest) {
  double enter = MIN_RANGE, leave = nearest.range;
  for (int axis = 0; axis < 3; ++axis) {
    if (!clipToSlab(ray, box, axis, enter, leave)) return;
  }
  if (!isNearer(enter, nearest)) return;
  nearest = {enter, box.surface, false};
}

}  // namespace quorvel::sim
