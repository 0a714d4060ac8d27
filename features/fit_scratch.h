// The working memory of one worker's side-by-side plane fits, and the settings they read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "features/eigen_solver_lanes.h"
#include "features/variance_map.h"

namespace quorvel {

using LaneCounts = std::array<int32_t, FIT_LANES>;

struct FitSettings {
  int32_t lines, samples;  // L, P
  int32_t K;
  int32_t minPoints;
  double squaredLimit;  // squaredDistanceLimit(maxPointDist)
  double maxFitResidual;
};

// A group is FIT_LANES consecutive samples s0 ... of line l. The window of a line lists the ring
// positions of sample 0's candidate points in window order (line offset outer, sample offset
// inner, the centre and lines outside the scan left out); for lane k of group s0 each candidate
// lies s0 + k positions further.
//
// A lane's fit takes the candidates within the distance limit. Where every lane takes every
// candidate (most groups) the fits read the ring directly. Otherwise the taken points are
// gathered into rows, row i holding every lane's i-th point, and the rows past a lane's count
// are padding that leaves its sums exactly as they are: zeros while the centroid is summed,
// then the centroid itself (its deviation is +0.0) with weight 0 in the residual. Each lane's
// sums start at +0.0 and so are never -0.0, and adding +0.0 changes none of them: every lane
// computes bit for bit what fitPlane and planeResidual compute from its points.
struct FitScratch {
  std::array<size_t, MAX_FIT_POINTS> position;  // of the window of sample 0
  int32_t candidates = 0;
  size_t s0 = 0;                                           // the group's first sample
  std::array<LaneValues, MAX_FIT_POINTS> squaredDistance;  // [candidate][lane]
  LaneCounts n;                                            // points each lane takes
  std::array<bool, FIT_LANES> fitted;                      // enough of them for a fit
  std::array<LaneValues, MAX_FIT_POINTS> x, y, z, weight;  // gathered rows
  int32_t rows = 0;
  LaneValues cx, cy, cz;  // centroids
  LaneVec3 perm;          // the axis permutations of sortScatterDiagonal, as doubles
  LaneMat3 S;             // scatter matrices, then eigenvectors
  LaneVec3 d, e;
  LaneVec3 normal;    // the planes' (a, b, c)
  LaneValues offset;  // and their d
  LaneValues residual;
};

}  // namespace quorvel
