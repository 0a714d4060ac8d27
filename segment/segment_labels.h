// The LabelMap's values beside the segment labels 0 ... MAX_SEGMENTS - 1 (scan/segment_lookup.h).
// A finished LabelMap holds only labels, NO_SEGMENT and UNASSIGNED.
#pragma once

#include <cstdint>

#include "scan/segment_lookup.h"

namespace quorvel {

inline constexpr uint16_t NO_SEGMENT = 10001;  // no valid point or variance, or a too small region
inline constexpr uint16_t UNASSIGNED = 10002;  // valid, not yet in a region (left at the limit)
inline constexpr uint16_t IN_REGION = 10003;   // transient: member of the region being grown
inline constexpr uint16_t TESTED = 10004;      // transient: failed candidate of the current growth

}  // namespace quorvel
