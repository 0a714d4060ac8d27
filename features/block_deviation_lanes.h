// The second pass of the surface estimation along one sample column: for lines 1 ... L - 2 of
// sample s (0 < s < P - 1), the deviation of the present residuals (>= 0) of the 3 x 3 block,
// sample offset outer, line offset inner, as meanAndStdDev computes it; NO_VARIANCE where the
// sample has no residual or the block fewer than two. FIT_LANES neighbouring lines are done
// side by side, each lane performing meanAndStdDev's operations in its order: a missing value
// adds +0.0 to sums that are +0.0 or positive, which changes neither.
#pragma once

#include <cstddef>

namespace quorvel {

// residuals and variance: L * P entries, sample-major. One form per instruction set
// (features/lane_target.h).
namespace baseline {
void blockDeviations(const double* residuals, size_t L, size_t s, double* variance);
}
namespace avx2 {
void blockDeviations(const double* residuals, size_t L, size_t s, double* variance);
}

}  // namespace quorvel
