// The rotations of the scan-line pose and of the calibration, with the same conventions as the
// point reconstruction (RotX, RotY, RotZ of scan/geometry.h), built on the portable sine and
// cosine so that a simulated pose gives the same bits everywhere.
#pragma once

#include "scan/geometry.h"

namespace quorvel::sim {

Mat3 portableRotX(double angle);  // radians; rows (1,0,0) (0,c,-s) (0,s,c)
Mat3 portableRotY(double angle);  // radians; rows (c,0,s) (0,1,0) (-s,0,c)
Mat3 portableRotZ(double angle);  // radians; rows (c,-s,0) (s,c,0) (0,0,1)

Mat3 portablePoseRotation(const Vec3& attitude);  // RotX(ax) RotY(ay) RotZ(az); radians
Mat3 portableCalibRotation(const Vec3& angles);   // RotZ(az) RotY(ay) RotX(ax); radians

}  // namespace quorvel::sim
