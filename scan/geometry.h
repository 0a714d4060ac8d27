// 3 x 3 matrices and 3-vectors of the point reconstruction, and the elementary rotations.
// A matrix is 9 doubles in row-major order (row i, column j at index 3i + j); a vector is x, y, z.
#pragma once

#include <array>
#include <cmath>

namespace quorvel {

using Mat3 = std::array<double, 9>;
using Vec3 = std::array<double, 3>;

// Every conversion from degrees to radians multiplies by this: exactly 3.1415926 / 180, not the
// full-precision pi / 180, so that results agree with files processed by earlier tools.
inline constexpr double DEG_TO_RAD = 0.017453292222222222;

void mat3Identity(Mat3& m);
void mat3Multiply(Mat3& a, const Mat3& b);  // a becomes a * b (a on the left)
Mat3 RotX(double angle);                    // radians; rows (1,0,0) (0,c,-s) (0,s,c)
Mat3 RotY(double angle);                    // radians; rows (c,0,s) (0,1,0) (-s,0,c)
Mat3 RotZ(double angle);                    // radians; rows (c,-s,0) (s,c,0) (0,0,1)

// Inline: every world point passes through them several times.
inline void mat3Apply(Vec3& v, const Mat3& m) {  // v becomes m * v
  const double x = v[0], y = v[1], z = v[2];
  v[0] = m[0] * x + m[1] * y + m[2] * z;
  v[1] = m[3] * x + m[4] * y + m[5] * z;
  v[2] = m[6] * x + m[7] * y + m[8] * z;
}

inline void vec3Add(Vec3& v, const Vec3& t) {  // v becomes v + t
  v[0] += t[0];
  v[1] += t[1];
  v[2] += t[2];
}

inline double vec3Distance(const Vec3& p, const Vec3& q) {  // Euclidean distance
  const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace quorvel
