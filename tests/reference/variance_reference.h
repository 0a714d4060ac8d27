// The surface variance and normal estimation exactly as written: every neighbour point
// reconstructed afresh for every window (49 evaluations per sample for K = 3), distances
// through vec3Distance, one thread. The oracle for the production path.
#pragma once

#include <cstddef>
#include <vector>

#include "features/plane_fit.h"
#include "features/segment_params.h"
#include "features/variance_map.h"
#include "scan/point_reconstruction.h"

namespace quorvel::reference {

// First pass: plane fit per sample.
inline void literalPlaneFits(const ScanStore& store, const SensorCalib& calib,
                             const SegmentParams& params, std::vector<Vec3>& normalMap,
                             std::vector<double>& residual) {
  const int32_t L = store.lineCount, P = store.pointsPerLine, K = params.winHalfSize;
  double x[MAX_FIT_POINTS], y[MAX_FIT_POINTS], z[MAX_FIT_POINTS];
  for (int32_t l = 0; l <= L - 1; l++) {
    for (int32_t s = 0; s <= P - 1; s++) {
      Vec3 p;
      if (!SampleToWorldPoint(store, calib, l, s, p)) continue;
      int32_t n = 0;
      for (int32_t dl = -K; dl <= K; dl++) {
        const int32_t l2 = l + dl;
        if (l2 < 0 || l2 > L - 1) continue;
        for (int32_t ds = -K; ds <= K; ds++) {
          const int32_t s2 = s + ds;
          if (s2 < 0 || s2 > P - 1) continue;
          if (dl == 0 && ds == 0) continue;
          Vec3 q;
          if (SampleToWorldPoint(store, calib, l2, s2, q) &&
              vec3Distance(p, q) <= params.maxPointDist) {
            x[n] = q[0];
            y[n] = q[1];
            z[n] = q[2];
            n = n + 1;
          }
        }
      }
      if (n < static_cast<int32_t>(((2 * K + 1) * (2 * K + 1) - 1) * 0.25)) continue;
      Plane plane;
      fitPlane(n, x, y, z, plane);
      double r;
      planeResidual(x, y, z, plane, r, n);
      if (r <= params.maxFitResidual) {
        const size_t at = static_cast<size_t>(s) * L + l;
        normalMap[at] = {plane.a, plane.b, plane.c};
        residual[at] = r;
      }
    }
  }
}

// Second pass: deviation of the residuals of each interior 3 x 3 block.
inline void literalBlockVariance(const ScanStore& store, const std::vector<double>& residual,
                                 std::vector<double>& varianceMap) {
  const int32_t L = store.lineCount, P = store.pointsPerLine;
  for (int32_t s = 1; s <= P - 2; s++) {
    for (int32_t l = 1; l <= L - 2; l++) {
      const size_t at = static_cast<size_t>(s) * L + l;
      if (residual[at] < 0) {
        varianceMap[at] = -1.0;
        continue;
      }
      double values[9];
      int32_t n = 0;
      for (int32_t s2 = s - 1; s2 <= s + 1; s2++) {
        for (int32_t l2 = l - 1; l2 <= l + 1; l2++) {
          const double r = residual[static_cast<size_t>(s2) * L + l2];
          if (r >= 0) values[n++] = r;
        }
      }
      if (n < 2) {
        varianceMap[at] = -1.0;
      } else {
        double mean, sd;
        meanAndStdDev(values, n, mean, sd);
        varianceMap[at] = sd;
      }
    }
  }
}

inline void literalVarianceMap(const ScanStore& store, const SensorCalib& calib,
                               const SegmentParams& params, std::vector<double>& varianceMap,
                               std::vector<Vec3>& normalMap) {
  const size_t count = static_cast<size_t>(store.lineCount) * store.pointsPerLine;
  varianceMap.assign(count, -1.0);
  std::vector<double> residual(count, -1.0);
  normalMap.assign(count, {99999999.0, 99999999.0, 99999999.0});
  literalPlaneFits(store, calib, params, normalMap, residual);
  literalBlockVariance(store, residual, varianceMap);
}

}  // namespace quorvel::reference
