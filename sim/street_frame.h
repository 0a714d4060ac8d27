// The street frame of a scan line: x the distance along the centreline, v across it (left
// positive), w the height above the road datum continued straight along its grade. The street
// is taken as straight over the few metres a scan line spans, so the frame is a rigid motion
// of the world followed by a shear of the height, and a straight ray stays straight in it.
#pragma once

#include "scan/geometry.h"

namespace quorvel::sim {

struct StreetFrame {
  double arcLength;   // x of the frame's origin: metres along the centreline
  Vec3 centre;        // world point of the centreline there; z is the road datum
  double cosHeading;  // direction of the centreline in the world x-y plane
  double sinHeading;
  double grade;  // datum rise per metre along the street
};

StreetFrame makeStreetFrame(double arcLength, const Vec3& centre, double heading, double grade);

Vec3 toStreetPoint(const StreetFrame& frame, const Vec3& world);          // world to x, v, w
Vec3 toStreetDirection(const StreetFrame& frame, const Vec3& direction);  // the same, linear part
Vec3 fromStreetPoint(const StreetFrame& frame, const Vec3& street);       // x, v, w to world

}  // namespace quorvel::sim
