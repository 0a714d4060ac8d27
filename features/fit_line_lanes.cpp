#include "features/fit_line_lanes.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "features/eigen_solver_lanes.h"
#include "features/lane_loop.h"
#include "features/lane_target.h"
#include "scan/geometry.h"

QUORVEL_LANE_CODE_BEGIN
namespace quorvel::QUORVEL_LANE_ISA {

namespace {

// Each lane's points straight from the ring.
struct RingRows {
  const LinePointRing& ring;
  const FitScratch& f;
  static constexpr bool weighted = false;
  int32_t rows() const { return f.candidates; }
  size_t at(int32_t i, int k) const { return f.position[static_cast<size_t>(i)] + f.s0 + k; }
  double x(int32_t i, int k) const { return ring.x[at(i, k)]; }
  double y(int32_t i, int k) const { return ring.y[at(i, k)]; }
  double z(int32_t i, int k) const { return ring.z[at(i, k)]; }
  double weight(int32_t, int) const { return 1.0; }
};

// Each lane's points from the gathered, padded rows.
struct GatheredRows {
  const FitScratch& f;
  static constexpr bool weighted = true;
  int32_t rows() const { return f.rows; }
  double x(int32_t i, int k) const { return f.x[static_cast<size_t>(i)][k]; }
  double y(int32_t i, int k) const { return f.y[static_cast<size_t>(i)][k]; }
  double z(int32_t i, int k) const { return f.z[static_cast<size_t>(i)][k]; }
  double weight(int32_t i, int k) const { return f.weight[static_cast<size_t>(i)][k]; }
};

// Calls visit.template operator()<count>(i) on rows i ... i + count - 1, over all rows in order:
// four rows per call, so that each lane's running sums leave their registers once per four
// rows, not once per row; the last rows one at a time.
template <typename Visit>
void visitRows(int32_t rows, Visit&& visit) {
  int32_t i = 0;
  for (; i + 4 <= rows; i += 4) visit.template operator()<4>(i);
  for (; i < rows; ++i) visit.template operator()<1>(i);
}

void placeWindow(const LinePointRing& ring, const FitSettings& set, int32_t l, FitScratch& f) {
  f.candidates = 0;
  for (int32_t dl = -set.K; dl <= set.K; ++dl) {
    const int32_t l2 = l + dl;
    if (l2 < 0 || l2 >= set.lines) continue;
    const size_t first = ring.at(l2, -set.K);
    for (int32_t ds = -set.K; ds <= set.K; ++ds) {
      if (dl == 0 && ds == 0) continue;
      f.position[static_cast<size_t>(f.candidates++)] = first + static_cast<size_t>(ds + set.K);
    }
  }
}

// Distances of the candidates to each lane's centre and the number each lane takes. A centre
// without a point has NaN coordinates and so takes nothing.
void measureCandidates(const LinePointRing& ring, const FitSettings& set, size_t centre,
                       FitScratch& f) {
  const double *X = ring.x.data() + f.s0, *Y = ring.y.data() + f.s0, *Z = ring.z.data() + f.s0;
  LaneValues px, py, pz;
  for (int k = 0; k < FIT_LANES; ++k) {
    px[k] = ring.x[centre + k];
    py[k] = ring.y[centre + k];
    pz[k] = ring.z[centre + k];
  }
  for (int32_t o = 0; o < f.candidates; ++o) {
    const size_t q = f.position[static_cast<size_t>(o)];
    LaneValues& d2 = f.squaredDistance[static_cast<size_t>(o)];
    QUORVEL_LANE_LOOP
    for (int k = 0; k < FIT_LANES; ++k) {
      const double dx = px[k] - X[q + k], dy = py[k] - Y[q + k], dz = pz[k] - Z[q + k];
      d2[k] = dx * dx + dy * dy + dz * dz;
    }
  }
  LaneValues taken{};  // counted in doubles, which vectorise with the comparisons
  visitRows(f.candidates, [&]<int count>(int32_t o) {
    QUORVEL_LANE_LOOP
    for (int k = 0; k < FIT_LANES; ++k) {
      double n = taken[k];
      for (int j = o; j < o + count; ++j) {
        n += f.squaredDistance[static_cast<size_t>(j)][k] <= set.squaredLimit ? 1.0 : 0.0;
      }
      taken[k] = n;
    }
  });
  for (int k = 0; k < FIT_LANES; ++k) f.n[k] = static_cast<int32_t>(taken[k]);
}

// Which lanes fit; false when none does.
bool chooseFits(const FitSettings& set, FitScratch& f) {
  bool any = false;
  for (int k = 0; k < FIT_LANES; ++k) {
    f.fitted[k] = f.n[k] >= set.minPoints;
    any = any || f.fitted[k];
  }
  return any;
}

bool everyLaneTakesAll(const FitScratch& f) {
  for (int k = 0; k < FIT_LANES; ++k) {
    if (!f.fitted[k] || f.n[k] != f.candidates) return false;
  }
  return true;
}

// Gathers each lane's taken points into rows and pads them with zeros.
void gatherRows(const LinePointRing& ring, const FitSettings& set, FitScratch& f) {
  const double *X = ring.x.data() + f.s0, *Y = ring.y.data() + f.s0, *Z = ring.z.data() + f.s0;
  LaneCounts n{};
  for (int32_t o = 0; o < f.candidates; ++o) {
    const size_t q = f.position[static_cast<size_t>(o)];
    const LaneValues& d2 = f.squaredDistance[static_cast<size_t>(o)];
    // Every lane writes its candidate at its next free row; only a taken one is kept.
    for (int k = 0; k < FIT_LANES; ++k) {
      const size_t row = static_cast<size_t>(n[k]);
      f.x[row][k] = X[q + k];
      f.y[row][k] = Y[q + k];
      f.z[row][k] = Z[q + k];
      n[k] += d2[k] <= set.squaredLimit;
    }
  }
  f.rows = 0;
  LaneValues points;  // each lane's rows of points, as doubles, which vectorise below
  for (int k = 0; k < FIT_LANES; ++k) {
    points[k] = f.fitted[k] ? f.n[k] : 0;
    if (f.fitted[k]) f.rows = std::max(f.rows, f.n[k]);
  }
  for (int32_t i = 0; i < f.rows; ++i) {
    const size_t row = static_cast<size_t>(i);
    QUORVEL_LANE_LOOP
    for (int k = 0; k < FIT_LANES; ++k) {
      const bool point = i < points[k];
      f.weight[row][k] = point ? 1.0 : 0.0;
      f.x[row][k] = point ? f.x[row][k] : 0.0;
      f.y[row][k] = point ? f.y[row][k] : 0.0;
      f.z[row][k] = point ? f.z[row][k] : 0.0;
    }
  }
}

template <typename Rows>
void centroids(const Rows& rows, FitScratch& f) {
  LaneValues sx{}, sy{}, sz{};
  visitRows(rows.rows(), [&]<int count>(int32_t i) {
    QUORVEL_LANE_LOOP
    for (int k = 0; k < FIT_LANES; ++k) {
      double x = sx[k], y = sy[k], z = sz[k];
      for (int j = i; j < i + count; ++j) {
        x += rows.x(j, k);
        y += rows.y(j, k);
        z += rows.z(j, k);
      }
      sx[k] = x, sy[k] = y, sz[k] = z;
    }
  });
  for (int k = 0; k < FIT_LANES; ++k) {
    f.cx[k] = sx[k] / f.n[k];
    f.cy[k] = sy[k] / f.n[k];
    f.cz[k] = sz[k] / f.n[k];
  }
}

// Padding rows become the centroid: a finite point whose deviation is +0.0.
void padWithCentroids(FitScratch& f) {
  for (int32_t i = 0; i < f.rows; ++i) {
    const size_t row = static_cast<size_t>(i);
    QUORVEL_LANE_LOOP
    for (int k = 0; k < FIT_LANES; ++k) {
      const bool point = f.weight[row][k] != 0;
      f.x[row][k] = point ? f.x[row][k] : f.cx[k];
      f.y[row][k] = point ? f.y[row][k] : f.cy[k];
      f.z[row][k] = point ? f.z[row][k] : f.cz[k];
    }
  }
}

// sortScatterDiagonal on every lane: each of its three exchanges is made where that lane's
// diagonal entries are out of order. A lane without a fit gets the zero matrix.
void sortScatterLanes(FitScratch& f, const LaneValues& sxx, const LaneValues& sxy,
                      const LaneValues& sxz, const LaneValues& syy, const LaneValues& syz,
                      const LaneValues& szz) {
  LaneValues fitted;  // as doubles, which vectorise with the selections below
  for (int k = 0; k < FIT_LANES; ++k) fitted[k] = f.fitted[k] ? 1.0 : 0.0;
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) {
    const bool fit = fitted[k] != 0;
    double d0 = fit ? sxx[k] : 0.0, d1 = fit ? syy[k] : 0.0, d2 = fit ? szz[k] : 0.0;
    double o01 = fit ? sxy[k] : 0.0, o02 = fit ? sxz[k] : 0.0, o12 = fit ? syz[k] : 0.0;
    double p0 = 0.0, p1 = 1.0, p2 = 2.0;
    const auto exchange = [](bool swap, double& u, double& v) {
      const double oldU = u;
      u = swap ? v : u;
      v = swap ? oldU : v;
    };
    const auto swap01 = [&] {
      const bool swap = d0 > d1;
      exchange(swap, d0, d1), exchange(swap, o02, o12), exchange(swap, p0, p1);
    };
    swap01();
    const bool swap12 = d1 > d2;
    exchange(swap12, d1, d2), exchange(swap12, o01, o02), exchange(swap12, p1, p2);
    swap01();
    f.S[0][k] = d0, f.S[1][k] = o01, f.S[2][k] = o02;
    f.S[3][k] = o01, f.S[4][k] = d1, f.S[5][k] = o12;
    f.S[6][k] = o02, f.S[7][k] = o12, f.S[8][k] = d2;
    f.perm[0][k] = p0, f.perm[1][k] = p1, f.perm[2][k] = p2;
  }
}

// Scatter matrices, sorted and reduced by tred2; a lane without a fit solves the zero matrix,
// which converges at once.
template <typename Rows>
void reducedScatterMatrices(const Rows& rows, FitScratch& f) {
  LaneValues sxx{}, sxy{}, sxz{}, syy{}, syz{}, szz{};
  visitRows(rows.rows(), [&]<int count>(int32_t i) {
    QUORVEL_LANE_LOOP
    for (int k = 0; k < FIT_LANES; ++k) {
      double xx = sxx[k], xy = sxy[k], xz = sxz[k], yy = syy[k], yz = syz[k], zz = szz[k];
      for (int j = i; j < i + count; ++j) {
        const double dx = rows.x(j, k) - f.cx[k], dy = rows.y(j, k) - f.cy[k],
                     dz = rows.z(j, k) - f.cz[k];
        xx += dx * dx;
        xy += dx * dy;
        xz += dx * dz;
        yy += dy * dy;
        yz += dy * dz;
        zz += dz * dz;
      }
      sxx[k] = xx, sxy[k] = xy, sxz[k] = xz, syy[k] = yy, syz[k] = yz, szz[k] = zz;
    }
  });
  sortScatterLanes(f, sxx, sxy, sxz, syy, syz, szz);
  tred2Lanes(f.S, f.d, f.e);
}

// The plane of each lane from its solved scatter matrix, as planeFromEigenvectors finds it.
void planesFromEigenvectors(FitScratch& f) {
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) {
    const bool one = f.d[1][k] < f.d[0][k];  // the smallest eigenvalue, ties to the lowest index
    const bool two = f.d[2][k] < (one ? f.d[1][k] : f.d[0][k]);
    const auto column = [&](int row) {
      return two ? f.S[3 * row + 2][k] : one ? f.S[3 * row + 1][k] : f.S[3 * row][k];
    };
    const double v0 = column(0), v1 = column(1), v2 = column(2);
    const auto inputAxis = [&](double axis) {  // v[perm[row]] = column(row)
      return f.perm[0][k] == axis ? v0 : f.perm[1][k] == axis ? v1 : v2;
    };
    const double x = inputAxis(0.0), y = inputAxis(1.0), z = inputAxis(2.0);
    const bool flip = z < 0;
    const double a = flip ? -x : x, b = flip ? -y : y, c = flip ? -z : z;
    f.normal[0][k] = a;
    f.normal[1][k] = b;
    f.normal[2][k] = c;
    f.offset[k] = -(f.cx[k] * a) - f.cy[k] * b - f.cz[k] * c;
  }
}

void solvePlanes(FitScratch& f) {
  tqliLanes(f.d, f.e, f.S);
  planesFromEigenvectors(f);
}

template <typename Rows>
void residuals(const Rows& rows, FitScratch& f) {
  const LaneValues &a = f.normal[0], &b = f.normal[1], &c = f.normal[2], &d = f.offset;
  LaneValues norm, sum{};
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) norm[k] = std::sqrt(a[k] * a[k] + b[k] * b[k] + c[k] * c[k]);
  visitRows(rows.rows(), [&]<int count>(int32_t i) {
    QUORVEL_LANE_LOOP
    for (int k = 0; k < FIT_LANES; ++k) {
      double total = sum[k];
      for (int j = i; j < i + count; ++j) {
        const double distance =
            std::fabs(a[k] * rows.x(j, k) + b[k] * rows.y(j, k) + c[k] * rows.z(j, k) + d[k]) /
            norm[k];
        if constexpr (Rows::weighted) {
          total += distance * rows.weight(j, k);
        } else {
          total += distance;
        }
      }
      sum[k] = total;
    }
  });
  for (int k = 0; k < FIT_LANES; ++k) f.residual[k] = sum[k] / f.n[k];
}

template <typename Rows>
void fitRows(const Rows& rows, FitScratch& f) {
  centroids(rows, f);
  if constexpr (Rows::weighted) padWithCentroids(f);
  reducedScatterMatrices(rows, f);
  solvePlanes(f);
  residuals(rows, f);
}

void storeFits(const FitSettings& set, int32_t l, int32_t s0, const FitScratch& f,
               std::vector<Vec3>& normals, std::vector<double>& residualMap) {
  for (int k = 0; k < FIT_LANES; ++k) {
    if (!f.fitted[k] || !(f.residual[k] <= set.maxFitResidual)) continue;
    const size_t index =
        static_cast<size_t>(s0 + k) * static_cast<size_t>(set.lines) + static_cast<size_t>(l);
    normals[index] = {f.normal[0][k], f.normal[1][k], f.normal[2][k]};
    residualMap[index] = f.residual[k];
  }
}

}  // namespace

void fitLine(const LinePointRing& ring, const FitSettings& set, int32_t l, FitScratch& f,
             std::vector<Vec3>& normals, std::vector<double>& residualMap) {
  placeWindow(ring, set, l, f);
  for (int32_t s0 = 0; s0 < set.samples; s0 += FIT_LANES) {
    f.s0 = static_cast<size_t>(s0);
    measureCandidates(ring, set, ring.at(l, s0), f);
    if (!chooseFits(set, f)) continue;
    if (everyLaneTakesAll(f)) {
      fitRows(RingRows{ring, f}, f);
    } else {
      gatherRows(ring, set, f);
      fitRows(GatheredRows{f}, f);
    }
    storeFits(set, l, s0, f, normals, residualMap);
  }
}

}  // namespace quorvel::QUORVEL_LANE_ISA
QUORVEL_LANE_CODE_END
