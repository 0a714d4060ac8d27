#include "segment/carriageway_bounds.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvel {

namespace {

constexpr int32_t WINDOW_BINS = static_cast<int32_t>(BREAK_WINDOW / BIN_WIDTH + 0.5);
constexpr int64_t MIN_WINDOW_POINTS = 10;
constexpr double SLOPE_UNIT = BIN_DISTANCE_UNIT / BIN_HEIGHT_UNIT;  // bin slope to rise per metre
constexpr double MIN_SPREAD = 0.15 * BREAK_WINDOW * BIN_DISTANCE_UNIT;  // of a window's points

// A least-squares line over the pooled points of a run of bins.
struct WindowFit {
  bool ok = false;
  double fall = 0;   // outward fall per metre (the negative slope)
  double error = 0;  // its standard error
};

struct PrefixSums {
  std::array<double, BIN_COUNT + 1> n{}, d{}, z{}, dd{}, dz{}, zz{};
};

void prefixSums(const std::array<BinSums, BIN_COUNT>& bins, PrefixSums& p) {
  for (int32_t k = 0; k < BIN_COUNT; ++k) {
    const BinSums& b = bins[static_cast<size_t>(k)];
    p.n[k + 1] = p.n[k] + static_cast<double>(b.n);
    p.d[k + 1] = p.d[k] + static_cast<double>(b.d);
    p.z[k + 1] = p.z[k] + static_cast<double>(b.z);
    p.dd[k + 1] = p.dd[k] + static_cast<double>(b.dd);
    p.dz[k + 1] = p.dz[k] + static_cast<double>(b.dz);
    p.zz[k + 1] = p.zz[k] + static_cast<double>(b.zz);
  }
}

WindowFit fitBins(const PrefixSums& p, int32_t k0, int32_t k1) {
  WindowFit fit;
  const double n = p.n[k1] - p.n[k0];
  if (n < MIN_WINDOW_POINTS) return fit;
  const double sd = p.d[k1] - p.d[k0], sz = p.z[k1] - p.z[k0];
  const double cdd = (p.dd[k1] - p.dd[k0]) - sd * sd / n;
  const double cdz = (p.dz[k1] - p.dz[k0]) - sd * sz / n;
  const double czz = (p.zz[k1] - p.zz[k0]) - sz * sz / n;
  if (cdd < n * MIN_SPREAD * MIN_SPREAD) return fit;
  const double slope = cdz / cdd;
  const double residual = std::max(0.0, (czz - slope * cdz) / (n - 2));
  fit.ok = true;
  fit.fall = -slope * SLOPE_UNIT;
  fit.error = std::sqrt(residual / cdd) * SLOPE_UNIT;
  return fit;
}

bool isCrown(double innerFall, double outerFall) {
  return innerFall <= -CROWN_MIN_SLOPE && outerFall >= CROWN_MIN_SLOPE &&
         std::fabs(innerFall + outerFall) <= CROWN_TOLERANCE;
}

bool significantBreak(const PrefixSums& p, int32_t b) {
  const WindowFit inner = fitBins(p, b - WINDOW_BINS, b), outer = fitBins(p, b, b + WINDOW_BINS);
  if (!inner.ok || !outer.ok) return false;
  const double delta = outer.fall - inner.fall;
  const double sigma = std::sqrt(inner.error * inner.error + outer.error * outer.error);
  return std::fabs(delta) >= std::max(MIN_BREAK, BREAK_SIGMAS * sigma);
}

// Sums of the points of bins [k0, k1) with distances taken from `centre` (bin sum units).
struct CentredSums {
  double n, d, z, dd, dz;
};

CentredSums centredSums(const PrefixSums& p, int32_t k0, int32_t k1, double centre) {
  const double n = p.n[k1] - p.n[k0], d = p.d[k1] - p.d[k0], z = p.z[k1] - p.z[k0];
  const double dd = p.dd[k1] - p.dd[k0], dz = p.dz[k1] - p.dz[k0];
  return {n, d - n * centre, z, dd - 2 * centre * d + n * centre * centre, dz - centre * z};
}

double determinant(const double (&m)[3][3]) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Solves m x = r by Cramer's rule; false when m is singular.
bool solve3(const double (&m)[3][3], const double (&r)[3], double (&x)[3]) {
  const double det = determinant(m);
  if (!(std::fabs(det) > 0)) return false;
  for (int i = 0; i < 3; ++i) {
    double mi[3][3];
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) mi[row][col] = col == i ? r[row] : m[row][col];
    }
    x[i] = determinant(mi) / det;
  }
  return true;
}

// The bend of a continuous two-piece line z = a + s d + t max(0, d - h) fitted to the points of
// bins [k0, k1), h at a bin boundary from `first` on: the bend of least squared error, and the
// falls of the pieces before and after it.
struct Bend {
  int32_t bin = -1;
  double innerFall = 0, outerFall = 0;
};

Bend fitBend(const PrefixSums& p, int32_t k0, int32_t k1, int32_t first) {
  const double c = 0.5 * (k0 + k1) * BIN_WIDTH * BIN_DISTANCE_UNIT;
  const CentredSums all = centredSums(p, k0, k1, c);
  Bend best;
  double bestExplained = -INFINITY;
  for (int32_t h = first; h <= k1 - 2; ++h) {
    const double hc = h * BIN_WIDTH * BIN_DISTANCE_UNIT - c;
    const CentredSums o = centredSums(p, h, k1, c);
    // The sums of x = max(0, d - h) with 1, d, x and z.
    const double x = o.d - hc * o.n, xd = o.dd - hc * o.d;
    const double xx = o.dd - 2 * hc * o.d + hc * hc * o.n, xz = o.dz - hc * o.z;
    const double m[3][3] = {{all.n, all.d, x}, {all.d, all.dd, xd}, {x, xd, xx}};
    const double r[3] = {all.z, all.dz, xz};
    double line[3];
    if (!solve3(m, r, line)) continue;
    const double explained = line[0] * r[0] + line[1] * r[1] + line[2] * r[2];  // minus the error
    if (explained > bestExplained) {
      bestExplained = explained;
      best = {h, -line[1] * SLOPE_UNIT, -(line[1] + line[2]) * SLOPE_UNIT};
    }
  }
  return best;
}

// The distance of the first break of the pooled profile that is not a crown, or -1. A break is
// first seen at b, where the windows on either side differ significantly in slope; it lies
// between b and a window further out, where a bent line fitted from a window before b to a
// quarter window past that places it. Past a crown the search resumes a window beyond it.
double firstSlopeBreak(const std::array<BinSums, BIN_COUNT>& bins) {
  PrefixSums p;
  prefixSums(bins, p);
  for (int32_t b = WINDOW_BINS; b + WINDOW_BINS <= BIN_COUNT; ++b) {
    if (!significantBreak(p, b)) {
      if (p.n[BIN_COUNT] - p.n[b] < MIN_WINDOW_POINTS) break;
      continue;
    }
    const int32_t last = std::min(BIN_COUNT, b + WINDOW_BINS + WINDOW_BINS / 4);
    const Bend bend = fitBend(p, b - WINDOW_BINS, last, b);
    if (bend.bin < 0) continue;
    if (!isCrown(bend.innerFall, bend.outerFall)) return bend.bin * BIN_WIDTH;
    b = std::max(b, bend.bin) + WINDOW_BINS;
  }
  return -1;
}

double median(std::span<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The faces the window's lines saw on one side: every kerb, and those with face points.
struct WindowKerbs {
  std::array<double, 2 * CARRIAGEWAY_NEIGHBOUR_LINES + 1> all{}, seen{};
  size_t allCount = 0, seenCount = 0;
};

WindowKerbs windowKerbs(std::span<const LineGround* const> window, int side) {
  WindowKerbs kerbs;
  for (const LineGround* line : window) {
    const SideGround& sg = line->sides[side];
    if (sg.end != RoadEnd::Kerb) continue;
    kerbs.all[kerbs.allCount++] = sg.faceD;
    if (sg.faceSeen) kerbs.seen[kerbs.seenCount++] = sg.faceD;
  }
  return kerbs;
}

SideBound sideBound(const LineGround& line, const PooledRoad& pooled,
                    std::span<const LineGround* const> window, int side) {
  const SideGround& sg = line.sides[side];
  SideBound bound;
  if (!line.hasRoad) return bound;
  WindowKerbs kerbs = windowKerbs(window, side);
  if (sg.end == RoadEnd::Kerb) {
    bound.kind = BoundKind::OwnKerb;
    bound.distance = std::min(sg.roadEndD, sg.faceD - KERB_FOOT_MARGIN);
    bound.kerbD = sg.faceSeen || kerbs.seenCount == 0
                      ? sg.faceD
                      : median(std::span<double>(kerbs.seen.data(), kerbs.seenCount));
    return bound;
  }
  if (kerbs.allCount >= KERB_SUPPORT) {
    bound.kind = BoundKind::NeighbourKerb;
    const double face = median(std::span<double>(kerbs.all.data(), kerbs.allCount));
    bound.distance = std::min(sg.roadEndD, face - KERB_FACE_WIDTH);
    return bound;
  }
  const double slopeBreak = firstSlopeBreak(pooled.bins[side]);
  if (slopeBreak >= 0 && slopeBreak < sg.roadEndD) {
    bound.kind = BoundKind::SlopeBreak;
    bound.distance = slopeBreak;
    return bound;
  }
  bound.kind = BoundKind::RoadEnd;
  bound.distance = sg.roadEndD;
  return bound;
}

}  // namespace

void PooledRoad::add(const LineGround& line, int64_t sign) {
  if (!line.hasRoad) return;
  for (int side = 0; side < 2; ++side) {
    const RoadBins& road = line.bins[side];
    for (int32_t k = 0; k < road.used; ++k) {
      const BinSums& from = road.sums[static_cast<size_t>(k)];
      BinSums& to = bins[side][static_cast<size_t>(k)];
      to.n += sign * from.n, to.d += sign * from.d, to.z += sign * from.z;
      to.dd += sign * from.dd, to.dz += sign * from.dz, to.zz += sign * from.zz;
    }
  }
}

void findCarriagewayBounds(const LineGround& line, const PooledRoad& pooled,
                           std::span<const LineGround* const> window, SideBound (&bounds)[2]) {
  for (int side = 0; side < 2; ++side) bounds[side] = sideBound(line, pooled, window, side);
}

}  // namespace quorvel
