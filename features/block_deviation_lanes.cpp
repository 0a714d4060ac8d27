#include "features/block_deviation_lanes.h"

#include <cmath>
#include <cstdint>

#include "features/eigen_solver_lanes.h"
#include "features/lane_loop.h"
#include "features/lane_target.h"
#include "features/variance_map.h"

QUORVEL_LANE_CODE_BEGIN
namespace quorvel::QUORVEL_LANE_ISA {

namespace {

double blockDeviation(const double* residuals, size_t L, size_t l, size_t s) {
  if (residuals[s * L + l] < 0) return NO_VARIANCE;
  double values[9];
  int32_t n = 0;
  for (size_t s2 = s - 1; s2 <= s + 1; ++s2) {
    for (size_t l2 = l - 1; l2 <= l + 1; ++l2) {
      const double r = residuals[s2 * L + l2];
      values[n] = r;  // kept only when it is a residual
      n += r >= 0;
    }
  }
  if (n < 2) return NO_VARIANCE;
  double mean, sd;
  meanAndStdDev(values, n, mean, sd);
  return sd;
}

// Lines l0 ... l0 + FIT_LANES - 1.
void blockDeviationLanes(const double* residuals, size_t L, size_t l0, size_t s, double* variance) {
  // first: the first value taken; last: the latest, which is the second when there are two.
  LaneValues sum{}, squares{}, n{}, first{}, last{};
  for (size_t s2 = s - 1; s2 <= s + 1; ++s2) {
    for (size_t l2 = l0 - 1; l2 <= l0 + 1; ++l2) {
      const double* r = residuals + s2 * L + l2;
      QUORVEL_LANE_LOOP
      for (int k = 0; k < FIT_LANES; ++k) {
        const double value = r[k];
        const bool present = value >= 0;
        const double v = present ? value : 0.0;
        sum[k] += v;
        squares[k] += v * v;
        first[k] = n[k] == 0.0 ? v : first[k];
        last[k] = present ? value : last[k];
        n[k] += present ? 1.0 : 0.0;
      }
    }
  }
  const double* centre = residuals + s * L + l0;
  double* out = variance + s * L + l0;
  QUORVEL_LANE_LOOP
  for (int k = 0; k < FIT_LANES; ++k) {
    const double pair = std::fabs(first[k] - last[k]) / 2;
    const double mean = sum[k] / n[k];
    const double spread = squares[k] - n[k] * (mean * mean);
    const double many = spread < 0 ? 0.0 : std::sqrt(spread / (n[k] - 1.0));
    const double sd = n[k] == 2.0 ? pair : many;
    out[k] = centre[k] < 0 || n[k] < 2.0 ? NO_VARIANCE : sd;
  }
}

}  // namespace

void blockDeviations(const double* residuals, size_t L, size_t s, double* variance) {
  size_t l = 1;
  for (; l + FIT_LANES < L; l += FIT_LANES) blockDeviationLanes(residuals, L, l, s, variance);
  for (; l + 1 < L; ++l) variance[s * L + l] = blockDeviation(residuals, L, l, s);
}

}  // namespace quorvel::QUORVEL_LANE_ISA
QUORVEL_LANE_CODE_END
