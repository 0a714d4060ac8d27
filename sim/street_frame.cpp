#include "sim/street_frame.h"

#include "sim/portable_math.h"

namespace quorvel::sim {

StreetFrame makeStreetFrame(double arcLength, const Vec3& centre, double heading, double grade) {
  return {arcLength, centre, portableCos(heading), portableSin(heading), grade};
}

Vec3 toStreetDirection(const StreetFrame& frame, const Vec3& direction) {
  const double along = direction[0] * frame.cosHeading + direction[1] * frame.sinHeading;
  const double across = direction[1] * frame.cosHeading - direction[0] * frame.sinHeading;
  return {along, across, direction[2] - frame.grade * along};
}

Vec3 toStreetPoint(const StreetFrame& frame, const Vec3& world) {
  Vec3 offset = world;
  for (int i = 0; i < 3; ++i) offset[i] -= frame.centre[i];
  Vec3 point = toStreetDirection(frame, offset);
  point[0] += frame.arcLength;
  return point;
}

Vec3 fromStreetPoint(const StreetFrame& frame, const Vec3& street) {
  const double along = street[0] - frame.arcLength, across = street[1];
  return {frame.centre[0] + along * frame.cosHeading - across * frame.sinHeading,
          frame.centre[1] + along * frame.sinHeading + across * frame.cosHeading,
          frame.centre[2] + street[2] + frame.grade * along};
}

}  // namespace quorvel::sim
