// Finding the region segment of a sample, for the query click and `quorvel query`.
#pragma once

#include <cstdint>

#include "scan/scan_store.h"

namespace quorvel {

inline constexpr uint16_t MAX_SEGMENTS = 10000;  // labels 0 ... 9999; higher values: no segment

// The segment of sample s of scan line l, or none: before any region segmentation, for
// indices outside the grid and for every label from MAX_SEGMENTS up.
const SegmentRecord* segmentOfSample(const ScanStore& store, int64_t l, int64_t s);

// Segments of a finished LabelMap: the highest label + 1 (labels have no gaps), 0 for none.
int32_t segmentCount(const ScanStore& store);

}  // namespace quorvel
