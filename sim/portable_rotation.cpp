#include "sim/portable_rotation.h"

#include "sim/portable_math.h"

namespace quorvel::sim {

namespace {

// Multiplies the rotation about one axis on the right; a zero angle contributes no factor,
// as in the reconstruction.
void multiplyUnlessZero(Mat3& product, Mat3 (*rotation)(double), double angle) {
  if (angle != 0) mat3Multiply(product, rotation(angle));
}

}  // namespace

Mat3 portableRotX(double angle) {
  const double c = portableCos(angle), s = portableSin(angle);
  return {1, 0, 0, 0, c, -s, 0, s, c};
}

Mat3 portableRotY(double angle) {
  const double c = portableCos(angle), s = portableSin(angle);
  return {c, 0, s, 0, 1, 0, -s, 0, c};
}

Mat3 portableRotZ(double angle) {
  const double c = portableCos(angle), s = portableSin(angle);
  return {c, -s, 0, s, c, 0, 0, 0, 1};
}

Mat3 portablePoseRotation(const Vec3& attitude) {
  Mat3 rotation;
  mat3Identity(rotation);
  multiplyUnlessZero(rotation, portableRotX, attitude[0]);
  multiplyUnlessZero(rotation, portableRotY, attitude[1]);
  multiplyUnlessZero(rotation, portableRotZ, attitude[2]);
  return rotation;
}

Mat3 portableCalibRotation(const Vec3& angles) {
  Mat3 rotation;
  mat3Identity(rotation);
  multiplyUnlessZero(rotation, portableRotZ, angles[2]);
  multiplyUnlessZero(rotation, portableRotY, angles[1]);
  multiplyUnlessZero(rotation, portableRotX, angles[0]);
  return rotation;
}

}  // namespace quorvel::sim
