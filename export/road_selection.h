// Which samples an export keeps by their line class: the road samples (class 2 of the
// LineSegmentMask) or all the others, whatever their class.
#pragma once

#include <cstdint>

#include "segment/line_class.h"

namespace quorvel {

enum class RoadSelection { NonRoad, Road };

inline bool isSelected(RoadSelection selection, uint8_t lineClass) {
  return (lineClass == LINE_CLASS_ROAD) == (selection == RoadSelection::Road);
}

}  // namespace quorvel
