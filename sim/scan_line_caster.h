// Casts the rays of one scan line into a scene: from the recorded pose and the scanner mount,
// exactly the chain the point reconstruction inverts (direction = R_line R_calib (cos, sin, 0),
// origin = R_line t_calib + position).
#pragma once

#include <vector>

#include "sim/scanner_mount.h"
#include "sim/scene.h"
#include "sim/vehicle_track.h"

namespace quorvel::sim {

// A scan line's plane in the street frame: every beam is cos(angle) scanX + sin(angle) scanY
// from the origin.
struct ScanPlane {
  Vec3 origin;        // x, v, w
  Vec3 scanX, scanY;  // the scanner's x and y axes
};

class ScanLineCaster {
 public:
  // angularStep in radians between samples, sample 0 at angle 0; the scene must outlive this.
  ScanLineCaster(const Scene& scene, const ScannerMount& mount, double angularStep,
                 int pointsPerLine);

  void cast(const TrackPose& pose, std::vector<RayHit>& hits);  // one hit per sample
  ScanPlane scanPlane(const TrackPose& pose) const;
  const LineCandidates& candidates() const { return candidates_; }  // those of the last cast

 private:
  const Scene& scene_;
  Mat3 mountRotation_;
  Vec3 mountShift_;
  std::vector<double> sampleCos_, sampleSin_;  // of each sample's angle
  LineCandidates candidates_;
};

}  // namespace quorvel::sim
