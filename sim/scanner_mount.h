// How the simulated scanner is set up and mounted on the vehicle: the three accepted set-ups
// and the calibration written to sim.cal. The scan plane stands vertical across the road,
// 2.6 m above it; an in-plane tilt aims the sweep, and a small misalignment is added.
#pragma once

#include <string>
#include <vector>

#include "scan/geometry.h"

namespace quorvel::sim {

struct SimulatedSetup {
  float angularResolution;  // degrees
  float fieldOfView;        // degrees
  double planeTilt;         // degrees added to every sample angle (the second "rot" line)
};

// The set-up with this resolution (1.0, 0.5 or 0.25), or none.
const SimulatedSetup* findSimulatedSetup(double angularResolution);

struct ScannerMount {
  std::vector<Vec3> rotations;  // "rot" lines in file order; degrees about x, y, z
  Vec3 shift;                   // "shv": scanner origin in the vehicle frame; metres
};

ScannerMount scannerMount(const SimulatedSetup& setup);

std::string calibrationText(const ScannerMount& mount);  // the sim.cal contents

// Scanner frame to vehicle frame, composed as the calibration reader does.
Mat3 mountRotation(const ScannerMount& mount);

}  // namespace quorvel::sim
