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

}  // namespace quorvel
