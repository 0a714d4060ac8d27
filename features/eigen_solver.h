// The symmetric 3 x 3 eigenproblem: Householder reduction to tridiagonal form (tred2) and the
// QL algorithm with implicit shifts (tqli), in the classic Numerical Recipes form, zero-based
// and fixed to size 3. Matrices are row-major Mat3 (a[i][j] at 3i + j).
#pragma once

#include "scan/geometry.h"

namespace quorvel {

// tqli gives up on an eigenvalue after this many steps. A finite 3 x 3 matrix converges in a
// handful (the solver warns after 30); only non-finite input never does.
inline constexpr int TQLI_MAX_ITERATIONS = 1000;

// Reduces the symmetric matrix a: d gets the diagonal, e the sub-diagonal (e[0] = 0), and a is
// replaced by the orthogonal matrix of the reduction.
void tred2(Mat3& a, Vec3& d, Vec3& e);

// Eigenvalues of the tridiagonal (d, e) into d, unsorted; column j of z becomes the eigenvector
// of d[j] when z enters holding tred2's matrix. e is destroyed. Writes "\nToo many iterations
// in TQLI" to standard output on an eigenvalue's 31st step.
void tqli(Vec3& d, Vec3& e, Mat3& z);

// One implicitly shifted QL step of tqli on the block l ... m (l < m), rotating the columns of
// z along.
void qlStepOnBlock(Vec3& d, Vec3& e, Mat3& z, int l, int m);

}  // namespace quorvel
