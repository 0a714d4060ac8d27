// The surfaces a scene is made of, each with an analytic ray intersection in the street frame.
// Every intersect() keeps the nearer of its own hit and the one already in `nearest`.
#pragma once

#include <vector>

#include "sim/ray_hit.h"

namespace quorvel::sim {

// A cross-section piece: w linear in v between v0 and v1, over an x range. Road, sidewalks,
// shoulders and slopes; a horizontal one (w0 == w1) is also a ceiling.
struct SurfacePiece {
  double x0, x1;  // along the street; x0 <= x1
  double v0, v1;  // across; v0 < v1
  double w0, w1;  // height at v0 and at v1
  SurfaceClass surface;
};

enum class OpeningKind : uint8_t {
  Passage,  // nothing behind: the ray goes on
  Glass,    // a window pane set back by the recess
  Door,     // a door set back by the recess
};

// A rectangle of a wall, in the wall's own horizontal coordinate s and height w.
struct Opening {
  double s0, s1;  // s0 < s1
  double w0, w1;  // w0 < w1
  OpeningKind kind;
  double recess;  // metres behind the wall plane
};

enum class WallAxis : uint8_t {
  Across = 0,  // the plane x = position; s is v
  Along = 1,   // the plane v = position; s is x
};

// A vertical rectangle with openings: facades, curb faces, tunnel walls, portals.
struct Wall {
  WallAxis axis;
  double position;    // x or v of the plane
  double s0, s1;      // extent within the plane; s0 < s1
  double w0, w1;      // bottom and top
  double recessSide;  // +1 or -1: the side of the plane where recessed openings lie
  SurfaceClass surface;
  std::vector<Opening> openings;
};

// A wall along the street at v, its openings recessed away from the centreline.
Wall alongWall(double v, double x0, double x1, double w0, double w1, SurfaceClass surface);

// A wall across the street at x, its openings recessed toward larger x.
Wall acrossWall(double x, double v0, double v1, double w0, double w1, SurfaceClass surface);

// A vertical cylinder: poles and posts.
struct Pole {
  double x, v;    // axis
  double radius;  // metres
  double w0, w1;  // bottom and top
  SurfaceClass surface;
};

// An axis-aligned box: car bodies and cabins, sign plates.
struct Box {
  Vec3 low, high;  // opposite corners, low < high in x, v and w
  SurfaceClass surface;
};

// The x range a primitive occupies, for culling.
double alongStart(const SurfacePiece& piece);
double alongEnd(const SurfacePiece& piece);
double alongStart(const Wall& wall);
double alongEnd(const Wall& wall);
double alongStart(const Pole& pole);
double alongEnd(const Pole& pole);
double alongStart(const Box& box);
double alongEnd(const Box& box);

void intersect(const StreetRay& ray, const SurfacePiece& piece, RayHit& nearest);
void intersect(const StreetRay& ray, const Wall& wall, RayHit& nearest);
void intersect(const StreetRay& ray, const Pole& pole, RayHit& nearest);
void intersect(const StreetRay& ray, const Box& box, RayHit& nearest);

}  // namespace quorvel::sim
