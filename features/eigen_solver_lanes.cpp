#include "features/eigen_solver_lanes.h"

#include <cmath>
#include <cstdio>

#include "features/eigen_solver.h"
#include "features/lane_loop.h"
#include "features/lane_target.h"

QUORVEL_LANE_CODE_BEGIN
namespace quorvel::QUORVEL_LANE_ISA {

namespace {

using LaneInts = std::array<int, FIT_LANES>;
using LaneFlags = std::array<bool, FIT_LANES>;

// The rotation sweep state of one QL step.
struct Sweep {
  LaneValues g, s, c, p;
};

// Every lane's d, e and z, kept while the lanes step together so that those that must not
// step can be put back.
struct LaneProblems {
  LaneVec3 d, e;
  LaneMat3 z;
};

void putBack(const LaneProblems& kept, int k, LaneVec3& d, LaneVec3& e, LaneMat3& z) {
  for (size_t i = 0; i < 3; ++i) d[i][k] = kept.d[i][k], e[i][k] = kept.e[i][k];
  for (size_t i = 0; i < 9; ++i) z[i][k] = kept.z[i][k];
}

// tqli's search for the block end m of every lane: the first m >= l whose sub-diagonal element
// is negligible against its diagonal neighbours, 2 when there is none (as doubles, so that the
// lanes vectorise).
void findBlockEnds(const LaneVec3& d, const LaneVec3& e, int l, LaneValues& m) {
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) {
    const double dd0 = std::fabs(d[0][k]) + std::fabs(d[1][k]);
    const double dd1 = std::fabs(d[1][k]) + std::fabs(d[2][k]);
    const bool small0 = std::fabs(e[0][k]) + dd0 == dd0;
    const bool small1 = std::fabs(e[1][k]) + dd1 == dd1;
    const double from1 = small1 ? 1.0 : 2.0;
    const double from0 = small0 ? 0.0 : from1;
    m[k] = l == 0 ? from0 : l == 1 ? from1 : 2.0;
  }
}

// The shift of a step on the block l ... 2 of every lane.
void startSweep(const LaneVec3& d, const LaneVec3& e, int l, Sweep& w) {
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) {
    const double g = (d[l + 1][k] - d[l][k]) / (2.0 * e[l][k]);
    const double r = std::sqrt(g * g + 1.0);
    const double ar = std::fabs(r), nr = -std::fabs(r);
    const double signedR = g < 0 ? nr : ar;
    w.g[k] = d[2][k] - d[l][k] + e[l][k] / (g + signedR);
    w.s[k] = 1.0;
    w.c[k] = 1.0;
    w.p[k] = 0.0;
  }
}

// The plane rotation at index i of every lane. tqli's two branches differ only in which of f
// and g is numerator, so both become one path with the roles selected.
template <int i>
void rotate(LaneVec3& d, LaneVec3& e, LaneMat3& z, Sweep& w) {
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) {
    const double f = w.s[k] * e[i][k];
    const double b = w.c[k] * e[i][k];
    const bool fLarger = std::fabs(f) >= std::fabs(w.g[k]);
    const double num = fLarger ? w.g[k] : f, den = fLarger ? f : w.g[k];
    const double t = num / den;
    const double r = std::sqrt(t * t + 1.0);
    e[i + 1][k] = den * r;
    const double u = 1.0 / r;
    const double tu = t * u;
    const double c = fLarger ? tu : u, s = fLarger ? u : tu;
    const double g = d[i + 1][k] - w.p[k];
    const double r2 = (d[i][k] - g) * s + 2.0 * c * b;
    w.p[k] = s * r2;
    d[i + 1][k] = g + w.p[k];
    w.g[k] = c * r2 - b;
    w.s[k] = s;
    w.c[k] = c;
    for (int row = 0; row < 9; row += 3) {
      const double z0 = z[row + i][k], z1 = z[row + i + 1][k];
      z[row + i + 1][k] = s * z0 + c * z1;
      z[row + i][k] = c * z0 - s * z1;
    }
  }
}

void finishStep(LaneVec3& d, LaneVec3& e, int l, const Sweep& w) {
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) {
    d[l][k] = d[l][k] - w.p[k];
    e[l][k] = w.g[k];
    e[2][k] = 0.0;
  }
}

// One QL step on the block l ... 2 of every lane.
void fullBlockStep(LaneVec3& d, LaneVec3& e, LaneMat3& z, int l) {
  Sweep w;
  startSweep(d, e, l, w);
  rotate<1>(d, e, z, w);
  if (l == 0) rotate<0>(d, e, z, w);
  finishStep(d, e, l, w);
}

// tqli's step on a shorter block (l = 0, m = 1), for one lane; rare, so done lane by lane.
void shortBlockStep(LaneVec3& d, LaneVec3& e, LaneMat3& z, int k) {
  Vec3 ld = {d[0][k], d[1][k], d[2][k]}, le = {e[0][k], e[1][k], e[2][k]};
  Mat3 lz;
  for (size_t i = 0; i < 9; ++i) lz[i] = z[i][k];
  qlStepOnBlock(ld, le, lz, 0, 1);
  for (size_t i = 0; i < 3; ++i) d[i][k] = ld[i], e[i][k] = le[i];
  for (size_t i = 0; i < 9; ++i) z[i][k] = lz[i];
}

// tred2 for a lane whose row 2 needs the Householder step (scale != 0) and whose reduction
// leaves h != 0, which is every lane but those of a zero or degenerate matrix. valid[k] tells
// whether lane k is such a lane (NaN counts as nonzero in both tests, as in tred2); the other
// lanes' results are meaningless. (The arguments never overlap; saying so lets the lanes
// become vector instructions.)
void householderTred2(LaneMat3& __restrict a, LaneVec3& __restrict d, LaneVec3& __restrict e,
                      LaneValues& __restrict valid) {
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) {
    double a00 = a[0][k], a01 = a[1][k], a02, a10 = a[3][k], a11 = a[4][k], a12;
    double a20 = a[6][k], a21 = a[7][k];
    const double a22 = a[8][k];
    double scale = 0.0;
    scale += std::fabs(a20);
    scale += std::fabs(a21);
    double h = 0.0;
    a20 = a20 / scale;
    h += a20 * a20;
    a21 = a21 / scale;
    h += a21 * a21;
    double f = a21;
    const double root = std::sqrt(h), negativeRoot = -std::sqrt(h);
    double g = f > 0 ? negativeRoot : root;
    const double e2 = scale * g;
    h = h - f * g;
    valid[k] = scale != 0 && h != 0 ? 1.0 : 0.0;
    a21 = f - g;
    f = 0.0;
    a02 = a20 / h;
    g = 0.0;
    g += a00 * a20;
    g += a10 * a21;
    double e0 = g / h;
    f += e0 * a20;
    a12 = a21 / h;
    g = 0.0;
    g += a10 * a20;
    g += a11 * a21;
    double e1 = g / h;
    f += e1 * a21;
    const double hh = f / (h + h);
    f = a20;
    g = e0 - hh * f;
    e0 = g;
    a00 = a00 - (f * e0 + g * a20);
    f = a21;
    g = e1 - hh * f;
    e1 = g;
    a10 = a10 - (f * e0 + g * a20);
    a11 = a11 - (f * e1 + g * a21);
    // Row 1: e[1] = a[1][0], d[1] = 0; then the transformation is accumulated.
    e[1][k] = a10;
    e[2][k] = e2;
    e[0][k] = 0.0;
    d[0][k] = a00;
    a00 = 1.0;
    d[1][k] = a11;
    a11 = 1.0;
    a01 = 0.0;
    a10 = 0.0;
    g = 0.0;
    g += a20 * a00;
    g += a21 * a10;
    a00 = a00 - g * a02;
    a10 = a10 - g * a12;
    g = 0.0;
    g += a20 * a01;
    g += a21 * a11;
    a01 = a01 - g * a02;
    a11 = a11 - g * a12;
    d[2][k] = a22;
    a[0][k] = a00, a[1][k] = a01, a[2][k] = 0.0;
    a[3][k] = a10, a[4][k] = a11, a[5][k] = 0.0;
    a[6][k] = 0.0, a[7][k] = 0.0, a[8][k] = 1.0;
  }
}

}  // namespace

void tred2Lanes(LaneMat3& a, LaneVec3& d, LaneVec3& e) {
  const LaneMat3 input = a;
  LaneValues householder;
  householderTred2(a, d, e, householder);
  for (int k = 0; k < FIT_LANES; ++k) {
    if (householder[k] != 0) continue;
    Mat3 m;
    for (size_t i = 0; i < 9; ++i) m[i] = input[i][k];
    Vec3 ld, le;
    tred2(m, ld, le);
    for (size_t i = 0; i < 9; ++i) a[i][k] = m[i];
    for (size_t i = 0; i < 3; ++i) d[i][k] = ld[i], e[i][k] = le[i];
  }
}

void tqliLanes(LaneVec3& d, LaneVec3& e, LaneMat3& z) {
  for (int k = 0; k < FIT_LANES; ++k) {
    e[0][k] = e[1][k];
    e[1][k] = e[2][k];
    e[2][k] = 0.0;
  }
  for (int l = 0; l <= 2; ++l) {
    LaneInts iter{};
    for (;;) {
      LaneValues blockEnds;
      findBlockEnds(d, e, l, blockEnds);
      LaneInts m;
      LaneFlags live;
      bool anyLive = false;
      for (int k = 0; k < FIT_LANES; ++k) {
        m[k] = static_cast<int>(blockEnds[k]);
        if (m[k] != l && iter[k] == 30) std::fputs("\nToo many iterations in TQLI", stdout);
        live[k] = m[k] != l && iter[k] != TQLI_MAX_ITERATIONS;
        if (live[k]) iter[k] = iter[k] + 1;
        anyLive = anyLive || live[k];
      }
      if (!anyLive) break;
      for (int k = 0; k < FIT_LANES; ++k) {
        if (live[k] && m[k] != 2) shortBlockStep(d, e, z, k);
      }
      // All lanes step together; the lanes that do not take this step are put back.
      bool allStep = true;
      for (int k = 0; k < FIT_LANES; ++k) allStep = allStep && live[k] && m[k] == 2;
      if (allStep) {
        fullBlockStep(d, e, z, l);
        continue;
      }
      const LaneProblems kept{d, e, z};
      fullBlockStep(d, e, z, l);
      for (int k = 0; k < FIT_LANES; ++k) {
        if (!live[k] || m[k] != 2) putBack(kept, k, d, e, z);
      }
    }
  }
}

}  // namespace quorvel::QUORVEL_LANE_ISA
QUORVEL_LANE_CODE_END
