// Surface variance and normal estimation. For every sample with a world point, a least-squares
// plane through the close points of its (2K + 1) x (2K + 1) window gives the NormalMap entry
// and a plane-fit residual; the VarianceMap holds the standard deviation of the residuals of
// each interior sample's 3 x 3 block. Both buffers are sample-major (s * L + l), computed once
// per scan and owned by the scan store.
#pragma once

#include <cstdint>
#include <vector>

#include "features/segment_params.h"
#include "scan/calib_file.h"
#include "scan/parallel_for.h"
#include "scan/scan_store.h"

namespace quorvel {

inline constexpr double NO_VARIANCE = -1.0;       // VarianceMap (and residual) without a value
inline constexpr double NO_NORMAL = 99999999.0;   // all three components of a NormalMap entry
inline constexpr int32_t MAX_FIT_POINTS = 625;    // neighbour points of one fit, (2K + 1)^2 - 1
inline constexpr int32_t MAX_WIN_HALF_SIZE = 12;  // largest K whose window fits MAX_FIT_POINTS

// Fewest close neighbours a sample needs for a normal: floor(((2K + 1)^2 - 1) * 0.25), 12 for
// K = 3.
int32_t minFitPoints(int32_t winHalfSize);

// n = 0: 0 and 0; n = 1: the value and 0; n = 2: the midpoint and half the distance;
// n >= 3: sum / n and sqrt((sum of squares - n (mean mean)) / (n - 1)), 0 where rounding makes
// the numerator negative.
void meanAndStdDev(const double* values, int32_t n, double& mean, double& sd);

// The second pass: for every interior sample (not on the first or last line or sample) whose
// residual is present (>= 0), the deviation of the present residuals of its 3 x 3 block, taken
// sample offset outer, line offset inner; NO_VARIANCE where the sample has none or the block
// has fewer than two. Both buffers are sample-major, lines x samples; border entries are left
// as they are.
void varianceFromResiduals(const std::vector<double>& residuals, int32_t lines, int32_t samples,
                           const ParallelOptions& parallel, std::vector<double>& variance);

// 1 when both buffers hold a result (computed now or already there). 0, with the stage's
// memory message, when a buffer cannot be allocated; 0 without a message when winHalfSize
// lies outside 1 ... MAX_WIN_HALF_SIZE; 0 without a message when parallel.control stops it
// (a VarianceMap is then left only where one was before). A failed run never leaves a
// NormalMap, so the next call computes everything again (reusing a VarianceMap it finds).
int computeVarianceMap(ScanStore& store, const SensorCalib& calib, const SegmentParams& params,
                       const ParallelOptions& parallel);
int createVarianceMap();  // on the process-wide records

}  // namespace quorvel
