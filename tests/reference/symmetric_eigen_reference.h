// An independent eigen-decomposition of symmetric 3 x 3 matrices for checking the solver: the
// cyclic Jacobi method in long double, swept until the off-diagonal part vanishes.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>

#include "scan/geometry.h"

namespace quorvel::reference {

struct SymmetricEigen {
  std::array<long double, 3> values;                  // ascending
  std::array<std::array<long double, 3>, 3> vectors;  // vectors[j] belongs to values[j]
};

inline SymmetricEigen jacobiEigen(const Mat3& matrix) {
  long double a[3][3], v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) a[i][j] = matrix[static_cast<size_t>(3 * i + j)];
  }
  for (int sweep = 0; sweep < 100; ++sweep) {
    const long double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
    if (off == 0) break;
    for (int p = 0; p < 2; ++p) {
      for (int q = p + 1; q < 3; ++q) {
        if (a[p][q] == 0) continue;
        const long double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
        const long double t =
            (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const long double c = 1 / std::sqrt(t * t + 1), s = t * c;
        for (int k = 0; k < 3; ++k) {  // columns p, q of a
          const long double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        for (int k = 0; k < 3; ++k) {  // rows p, q of a
          const long double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - s * aqk;
          a[q][k] = s * apk + c * aqk;
        }
        for (int k = 0; k < 3; ++k) {
          const long double vkp = v[k][p], vkq = v[k][q];
          v[k][p] = c * vkp - s * vkq;
          v[k][q] = s * vkp + c * vkq;
        }
      }
    }
  }
  std::array<int, 3> order = {0, 1, 2};
  std::sort(order.begin(), order.end(), [&](int x, int y) { return a[x][x] < a[y][y]; });
  SymmetricEigen result;
  for (int j = 0; j < 3; ++j) {
    result.values[static_cast<size_t>(j)] = a[order[j]][order[j]];
    for (int k = 0; k < 3; ++k) {
      result.vectors[static_cast<size_t>(j)][static_cast<size_t>(k)] = v[k][order[j]];
    }
  }
  return result;
}

}  // namespace quorvel::reference
