#include "features/eigen_solver.h"

#include <cmath>
#include <cstdio>

namespace quorvel {

namespace {

double& at(Mat3& a, int i, int j) {
  return a[3 * i + j];
}

// The Householder step that clears row i = 2 left of its sub-diagonal; returns h.
double householderRow2(Mat3& a, double scale, Vec3& e) {
  const int i = 2, l = 1;
  double h = 0.0;
  for (int k = 0; k <= l; ++k) {
    at(a, i, k) = at(a, i, k) / scale;
    h += at(a, i, k) * at(a, i, k);
  }
  double f = at(a, i, l);
  double g = f > 0 ? -std::sqrt(h) : std::sqrt(h);
  e[i] = scale * g;
  h = h - f * g;
  at(a, i, l) = f - g;
  f = 0.0;
  for (int j = 0; j <= l; ++j) {
    at(a, j, i) = at(a, i, j) / h;
    g = 0.0;
    for (int k = 0; k <= j; ++k) g += at(a, j, k) * at(a, i, k);
    for (int k = j + 1; k <= l; ++k) g += at(a, k, j) * at(a, i, k);
    e[j] = g / h;
    f += e[j] * at(a, i, j);
  }
  const double hh = f / (h + h);
  for (int j = 0; j <= l; ++j) {
    f = at(a, i, j);
    g = e[j] - hh * f;
    e[j] = g;
    for (int k = 0; k <= j; ++k) at(a, j, k) = at(a, j, k) - (f * e[k] + g * at(a, i, k));
  }
  return h;
}

// Turns a into the orthogonal matrix of the reduction and d into the diagonal.
void accumulateTransform(Mat3& a, Vec3& d) {
  for (int i = 0; i < 3; ++i) {
    if (d[i] != 0 && i >= 1) {
      for (int j = 0; j <= i - 1; ++j) {
        double g = 0.0;
        for (int k = 0; k <= i - 1; ++k) g += at(a, i, k) * at(a, k, j);
        for (int k = 0; k <= i - 1; ++k) at(a, k, j) = at(a, k, j) - g * at(a, k, i);
      }
    }
    d[i] = at(a, i, i);
    at(a, i, i) = 1.0;
    for (int j = 0; j <= i - 1; ++j) at(a, j, i) = at(a, i, j) = 0.0;
  }
}

// First m >= l whose sub-diagonal element is negligible against its diagonal neighbours; 2 when
// there is none.
int splitIndex(const Vec3& d, const Vec3& e, int l) {
  int m = l;
  while (m <= 1) {
    const double dd = std::fabs(d[m]) + std::fabs(d[m + 1]);
    if (std::fabs(e[m]) + dd == dd) break;
    m = m + 1;
  }
  return m;
}

}  // namespace

void qlStepOnBlock(Vec3& d, Vec3& e, Mat3& z, int l, int m) {
  double g = (d[l + 1] - d[l]) / (2.0 * e[l]);
  double r = std::sqrt(g * g + 1.0);
  g = d[m] - d[l] + e[l] / (g + (g < 0 ? -std::fabs(r) : std::fabs(r)));
  double s = 1.0, c = 1.0, p = 0.0;
  for (int i = m - 1; i >= l; --i) {
    double f = s * e[i];
    const double b = c * e[i];
    if (std::fabs(f) >= std::fabs(g)) {
      c = g / f;
      r = std::sqrt(c * c + 1.0);
      e[i + 1] = f * r;
      s = 1.0 / r;
      c = c * s;
    } else {
      s = f / g;
      r = std::sqrt(s * s + 1.0);
      e[i + 1] = g * r;
      c = 1.0 / r;
      s = s * c;
    }
    g = d[i + 1] - p;
    r = (d[i] - g) * s + 2.0 * c * b;
    p = s * r;
    d[i + 1] = g + p;
    g = c * r - b;
    for (int k = 0; k < 3; ++k) {
      f = at(z, k, i + 1);
      at(z, k, i + 1) = s * at(z, k, i) + c * f;
      at(z, k, i) = c * at(z, k, i) - s * f;
    }
  }
  d[l] = d[l] - p;
  e[l] = g;
  e[m] = 0.0;
}

void tred2(Mat3& a, Vec3& d, Vec3& e) {
  for (int i = 2; i >= 1; --i) {
    const int l = i - 1;
    double h = 0.0;
    if (l >= 1) {
      double scale = 0.0;
      for (int k = 0; k <= l; ++k) scale += std::fabs(at(a, i, k));
      if (scale == 0) {
        e[i] = at(a, i, l);
      } else {
        h = householderRow2(a, scale, e);
      }
    } else {
      e[i] = at(a, i, l);
    }
    d[i] = h;
  }
  d[0] = 0.0;
  e[0] = 0.0;
  accumulateTransform(a, d);
}

void tqli(Vec3& d, Vec3& e, Mat3& z) {
  e[0] = e[1];
  e[1] = e[2];
  e[2] = 0.0;
  for (int l = 0; l <= 2; ++l) {
    for (int iter = 0;; iter = iter + 1) {
      const int m = splitIndex(d, e, l);
      if (m == l) break;
      if (iter == 30) std::fputs("\nToo many iterations in TQLI", stdout);
      if (iter == TQLI_MAX_ITERATIONS) break;  // only non-finite input gets here
      qlStepOnBlock(d, e, z, l, m);
    }
  }
}

}  // namespace quorvel
