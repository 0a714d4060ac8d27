// The calibration file: "rot" lines (three angles in degrees, composed in file order) and "shv"
// lines (the scanner origin in the vehicle frame). One process-wide instance, `sensorCalib`.
#pragma once

#include <span>
#include <string>

#include "scan/geometry.h"
#include "scan/status.h"

namespace quorvel {

struct SensorCalib {
  Mat3 rotation{};     // scanner frame to vehicle frame; zero until a calibration loads
  Vec3 translation{};  // scanner origin in the vehicle frame; length unit of the ranges
};

extern SensorCalib sensorCalib;

// r = RotZ(az) RotY(ay) RotX(ax), angles in radians; a zero angle contributes no factor. The
// reverse of the scan-line pose order.
void makeCalibRotation(Mat3& r, double ax, double ay, double az);

// Applies a calibration file to calib: the rotation restarts from the identity and each "rot"
// line multiplies on the right; the last "shv" line sets the translation (none keeps it).
// Missing values read as 0.0.
Status parseCalibFile(std::span<const unsigned char> bytes, SensorCalib& calib);

Status readCalibFile(const std::string& path, SensorCalib& calib);
int loadCalibFile(const char* path);  // 1 / 0 on the process-wide calibration

}  // namespace quorvel
