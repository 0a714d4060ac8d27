// Least-squares planes of point sets by principal component analysis: the normal is the
// eigenvector of the smallest eigenvalue of the scatter matrix about the centroid. A point set
// is three parallel arrays x[n], y[n], z[n].
#pragma once

#include <array>
#include <cstdint>

#include "scan/geometry.h"

namespace quorvel {

// a x + b y + c z + d = 0 with (a, b, c) a unit normal, c >= 0 (c = 0 keeps the solver's sign).
struct Plane {
  double a = 0, b = 0, c = 0, d = 0;
};

using AxisPermutation = std::array<int32_t, 3>;  // [k] = input axis (0 x, 1 y, 2 z) at index k

// S = sum of (p - centroid)(p - centroid)^T, not divided by n, with its axes reordered so that
// the diagonal ascends (equal entries keep their order); perm records the reordering.
void scatterMatrix(const Vec3& centroid, int32_t n, const double* x, const double* y,
                   const double* z, Mat3& S, AxisPermutation& perm);

// Step 3 of scatterMatrix on its own: swaps axes 0/1, 1/2, 0/1 in turn wherever the first
// diagonal entry is the larger, exchanging S[i][k] with S[j][k] (k the third axis) and keeping
// S[i][j].
void sortScatterDiagonal(Mat3& S, AxisPermutation& perm);

// The plane from the solved scatter matrix: the eigenvector of the smallest eigenvalue (ties to
// the lowest index) back in input axis order, negated when its z is below 0.
void planeFromEigenvectors(const Vec3& centroid, const Vec3& eigenvalues, const Mat3& eigenvectors,
                           const AxisPermutation& perm, Plane& plane);

void fitPlane(int32_t n, const double* x, const double* y, const double* z,
              Plane& plane);  // n >= 1

// Mean absolute distance of the n points from the plane.
void planeResidual(const double* x, const double* y, const double* z, const Plane& plane,
                   double& residual, int32_t n);

}  // namespace quorvel
