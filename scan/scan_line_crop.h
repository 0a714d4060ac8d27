// Keeping a run of consecutive scan lines of a loaded scan, with the results computed for them.
// A batch task loads its lines with a few neighbours on each side, runs the stages whose result
// at a line depends on the lines around it, and then keeps only its own lines.
#pragma once

#include <cstdint>

#include "scan/scan_store.h"

namespace quorvel {

// Keeps scan lines first ... first + count - 1 (a run inside the loaded ones) and their entries
// of the VarianceMap, NormalMap, LineSegmentMask, line segment lists, surface class map and kerb
// feet; releases the region
// segmentation, which is not a per-line result.
void keepScanLines(ScanStore& store, int32_t first, int32_t count);

}  // namespace quorvel
