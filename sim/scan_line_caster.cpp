#include "sim/scan_line_caster.h"

#include <cmath>

#include "sim/portable_math.h"
#include "sim/portable_rotation.h"

namespace quorvel::sim {

ScanLineCaster::ScanLineCaster(const Scene& scene, const ScannerMount& mount, double angularStep,
                               int pointsPerLine)
    : scene_(scene), mountRotation_(mountRotation(mount)), mountShift_(mount.shift) {
  for (int s = 0; s < pointsPerLine; ++s) {
    sampleCos_.push_back(portableCos(s * angularStep));
    sampleSin_.push_back(portableSin(s * angularStep));
  }
}

ScanPlane ScanLineCaster::scanPlane(const TrackPose& pose) const {
  const Mat3 vehicle = portablePoseRotation(pose.attitude);
  Mat3 beam = vehicle;
  mat3Multiply(beam, mountRotation_);
  Vec3 origin = mountShift_;
  mat3Apply(origin, vehicle);
  vec3Add(origin, pose.position);
  return {toStreetPoint(pose.street, origin),
          toStreetDirection(pose.street, {beam[0], beam[3], beam[6]}),
          toStreetDirection(pose.street, {beam[1], beam[4], beam[7]})};
}

void ScanLineCaster::cast(const TrackPose& pose, std::vector<RayHit>& hits) {
  const ScanPlane plane = scanPlane(pose);
  const Vec3 &scanX = plane.scanX, &scanY = plane.scanY;
  StreetRay ray{plane.origin, {}};
  const double reach = MAX_SIMULATED_RANGE * std::sqrt(scanX[0] * scanX[0] + scanY[0] * scanY[0]);
  selectCandidates(scene_, ray.origin[0] - reach, ray.origin[0] + reach, candidates_);
  hits.resize(sampleCos_.size());
  for (size_t s = 0; s < hits.size(); ++s) {
    for (int i = 0; i < 3; ++i)
      ray.direction[i] = sampleCos_[s] * scanX[i] + sampleSin_[s] * scanY[i];
    hits[s] = castRay(candidates_, ray);
  }
}

}  // namespace quorvel::sim
