// Making and appending the LineSegment records of a scan line's list (the store releases them
// with freeLineSegmentList).
#pragma once

#include <memory>

#include "scan/derived_buffers.h"

namespace quorvel {

// A record with first = last = 0, lineClass 0 and no next; throws std::bad_alloc when memory
// runs out, leaving every list as it was.
std::unique_ptr<LineSegment> newLineSegment();

// Links the record after the list's last record (or makes it the head); its next becomes none.
void appendLineSegment(LineSegmentList& head, std::unique_ptr<LineSegment> record);

}  // namespace quorvel
