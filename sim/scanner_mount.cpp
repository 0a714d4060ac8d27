#include "sim/scanner_mount.h"

#include "export/number_text.h"
#include "sim/portable_rotation.h"

namespace quorvel::sim {

namespace {

// Right-horizontal at sample 0 for the 180-degree sweeps tilted up by 10 degrees on the right;
// the 100-degree sweep centred on the nadir.
constexpr SimulatedSetup SETUPS[] = {
    {1.0f, 180.0f, -10.0},
    {0.5f, 180.0f, -10.0},
    {0.25f, 100.0f, 40.0},
};

// Scanner +x to vehicle right, scanner +y to vehicle down: sample angles run from the right
// through the nadir to the left.
constexpr Vec3 ACROSS_THE_ROAD = {-90, 0, -90};
constexpr Vec3 MISALIGNMENT = {0.4, -0.3, 0.2};
constexpr Vec3 SCANNER_SHIFT = {-1.2, 0, 1.6};

std::string vectorLine(const char* keyword, const Vec3& values) {
  return std::string(keyword) + " " + numberText(values[0]) + " " + numberText(values[1]) + " " +
         numberText(values[2]) + "\n";
}

}  // namespace

const SimulatedSetup* findSimulatedSetup(double angularResolution) {
  for (const SimulatedSetup& setup : SETUPS) {
    if (setup.angularResolution == angularResolution) return &setup;
  }
  return nullptr;
}

ScannerMount scannerMount(const SimulatedSetup& setup) {
  return {{ACROSS_THE_ROAD, {0, 0, setup.planeTilt}, MISALIGNMENT}, SCANNER_SHIFT};
}

std::string calibrationText(const ScannerMount& mount) {
  std::string text = "# Quorvel simulated scanner mounting\n";
  for (const Vec3& rotation : mount.rotations) text += vectorLine("rot", rotation);
  return text + vectorLine("shv", mount.shift);
}

Mat3 mountRotation(const ScannerMount& mount) {
  Mat3 rotation;
  mat3Identity(rotation);
  for (const Vec3& degrees : mount.rotations) {
    const Vec3 radians = {degrees[0] * DEG_TO_RAD, degrees[1] * DEG_TO_RAD,
                          degrees[2] * DEG_TO_RAD};
    mat3Multiply(rotation, portableCalibRotation(radians));
  }
  return rotation;
}

}  // namespace quorvel::sim
