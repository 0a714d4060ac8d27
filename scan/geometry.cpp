#include "scan/geometry.h"

#include <cmath>

namespace quorvel {

void mat3Identity(Mat3& m) {
  m = {1, 0, 0, 0, 1, 0, 0, 0, 1};
}

void mat3Multiply(Mat3& a, const Mat3& b) {
  const Mat3 left = a;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      a[3 * i + j] = left[3 * i] * b[j] + left[3 * i + 1] * b[3 + j] + left[3 * i + 2] * b[6 + j];
    }
  }
}

Mat3 RotX(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {1, 0, 0, 0, c, -s, 0, s, c};
}

Mat3 RotY(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {c, 0, s, 0, 1, 0, -s, 0, c};
}

Mat3 RotZ(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {c, -s, 0, s, c, 0, 0, 0, 1};
}

void mat3Apply(Vec3& v, const Mat3& m) {
  const double x = v[0], y = v[1], z = v[2];
  v[0] = m[0] * x + m[1] * y + m[2] * z;
  v[1] = m[3] * x + m[4] * y + m[5] * z;
  v[2] = m[6] * x + m[7] * y + m[8] * z;
}

void vec3Add(Vec3& v, const Vec3& t) {
  v[0] += t[0];
  v[1] += t[1];
  v[2] += t[2];
}

double vec3Distance(const Vec3& p, const Vec3& q) {
  const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace quorvel
