// The choice between the two forms of the side-by-side kernels (features/lane_target.h).
#pragma once

#include "scan/parallel_for.h"

namespace quorvel {

// True when the options ask for the widest vectors and the processor, with its operating
// system, supports AVX2.
bool useAvx2Lanes(const ParallelOptions& options);

}  // namespace quorvel
