// The plane fits of one scan line, FIT_LANES neighbouring samples side by side: for every
// sample with a world point, a plane through the points of its (2K + 1) x (2K + 1) window that
// lie within maxPointDist of it (its own point excluded), taken in window order, scan line
// offset outer. A fit of at least minPoints points whose residual is at most maxFitResidual
// stores its normal and residual; other samples keep their "no value" markers. Every lane
// performs the floating-point operations of fitPlane and planeResidual on its own points in
// the same order, so every stored value is bit for bit the literal one.
#pragma once

#include <cstdint>
#include <vector>

#include "features/fit_scratch.h"
#include "features/line_point_ring.h"

namespace quorvel {

// ring holds lines l - K ... l + K (those inside the scan); normals and residuals are L * P
// entries, sample-major. One form per instruction set (features/lane_target.h).
namespace baseline {
void fitLine(const LinePointRing& ring, const FitSettings& set, int32_t l, FitScratch& f,
             std::vector<Vec3>& normals, std::vector<double>& residuals);
}
namespace avx2 {
void fitLine(const LinePointRing& ring, const FitSettings& set, int32_t l, FitScratch& f,
             std::vector<Vec3>& normals, std::vector<double>& residuals);
}

}  // namespace quorvel
