// 3 x 3 matrices and 3-vectors of the point reconstruction, and the elementary rotations.
// A matrix is 9 doubles in row-major order (row i, column j at index 3i + j); a vector is x, y, z.
#pragma once

#include <array>

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

void mat3Apply(Vec3& v, const Mat3& m);             // v becomes m * v
void vec3Add(Vec3& v, const Vec3& t);               // v becomes v + t
double vec3Distance(const Vec3& p, const Vec3& q);  // Euclidean distance

}  // namespace quorvel
