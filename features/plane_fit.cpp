#include "features/plane_fit.h"

#include <cmath>
#include <utility>

#include "features/eigen_solver.h"

namespace quorvel {

namespace {

double& at(Mat3& a, int i, int j) {
  return a[3 * i + j];
}

// Exchanges axes i and j of S (k is the third axis); S[i][j] stays.
void swapAxes(Mat3& S, AxisPermutation& perm, int i, int j) {
  const int k = 3 - i - j;
  std::swap(at(S, i, i), at(S, j, j));
  std::swap(at(S, i, k), at(S, j, k));
  std::swap(at(S, k, i), at(S, k, j));
  std::swap(perm[i], perm[j]);
}

Vec3 centroidOf(int32_t n, const double* x, const double* y, const double* z) {
  double sx = 0.0, sy = 0.0, sz = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    sx += x[i];
    sy += y[i];
    sz += z[i];
  }
  return {sx / n, sy / n, sz / n};
}

// Index of the smallest eigenvalue; ties go to the lowest index.
int smallestIndex(const Vec3& eigenvalues) {
  int j = 0;
  if (eigenvalues[1] < eigenvalues[j]) j = 1;
  if (eigenvalues[2] < eigenvalues[j]) j = 2;
  return j;
}

}  // namespace

void sortScatterDiagonal(Mat3& S, AxisPermutation& perm) {
  perm = {0, 1, 2};
  if (at(S, 0, 0) > at(S, 1, 1)) swapAxes(S, perm, 0, 1);
  if (at(S, 1, 1) > at(S, 2, 2)) swapAxes(S, perm, 1, 2);
  if (at(S, 0, 0) > at(S, 1, 1)) swapAxes(S, perm, 0, 1);
}

void planeFromEigenvectors(const Vec3& centroid, const Vec3& eigenvalues, const Mat3& eigenvectors,
                           const AxisPermutation& perm, Plane& plane) {
  const int j = smallestIndex(eigenvalues);
  Vec3 v;
  for (int k = 0; k < 3; ++k) v[perm[k]] = eigenvectors[3 * k + j];
  if (v[2] < 0) v = {-v[0], -v[1], -v[2]};
  plane = {v[0], v[1], v[2], -(centroid[0] * v[0]) - centroid[1] * v[1] - centroid[2] * v[2]};
}

void scatterMatrix(const Vec3& centroid, int32_t n, const double* x, const double* y,
                   const double* z, Mat3& S, AxisPermutation& perm) {
  double sxx = 0.0, sxy = 0.0, sxz = 0.0, syy = 0.0, syz = 0.0, szz = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    const double dx = x[i] - centroid[0], dy = y[i] - centroid[1], dz = z[i] - centroid[2];
    sxx += dx * dx;
    sxy += dx * dy;
    sxz += dx * dz;
    syy += dy * dy;
    syz += dy * dz;
    szz += dz * dz;
  }
  S = {sxx, sxy, sxz, sxy, syy, syz, sxz, syz, szz};
  sortScatterDiagonal(S, perm);
}

void fitPlane(int32_t n, const double* x, const double* y, const double* z, Plane& plane) {
  const Vec3 centroid = centroidOf(n, x, y, z);
  Mat3 S;
  AxisPermutation perm;
  scatterMatrix(centroid, n, x, y, z, S, perm);
  Vec3 d, e;
  tred2(S, d, e);
  tqli(d, e, S);
  planeFromEigenvectors(centroid, d, S, perm, plane);
}

void planeResidual(const double* x, const double* y, const double* z, const Plane& plane,
                   double& residual, int32_t n) {
  const double norm = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    sum += std::fabs(plane.a * x[i] + plane.b * y[i] + plane.c * z[i] + plane.d) / norm;
  }
  residual = sum / n;
}

}  // namespace quorvel
