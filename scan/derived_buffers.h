// Element types of the per-sample buffers that the processing stages derive from a loaded scan.
// They live here because the scan store owns (and releases) every one of them.
#pragma once

#include <cstdint>
#include <memory>

#include "scan/geometry.h"

namespace quorvel {

// One region segment; its label is its index in the segment table.
struct SegmentRecord {
  uint16_t label = 0;
  uint8_t classCode = 0;   // 0 ... 7
  Vec3 normal{};           // unit normal of the least-squares plane, world frame
  double planeOffset = 0;  // d of a*x + b*y + c*z + d = 0
  double var = 0;          // mean absolute distance of the points from the plane
  Vec3 maxPt{};
  Vec3 minPt{};
  double width = 0;   // horizontal diagonal of the bounding box
  double height = 0;  // maxPt.z - minPt.z
  int32_t pointNum = 0;
  int32_t boundaryPt = 0;
};

// One straight piece of one scan line; the pieces of a line form a singly linked list.
struct LineSegment {
  int32_t first = 0;      // sample column of the first end point
  int32_t last = 0;       // sample column of the last end point (last > first)
  uint8_t lineClass = 0;  // 4 line, 2 road, 1 vertical
  std::unique_ptr<LineSegment> next;
};

// Where a scan line meets a kerb on one side: the foot of the kerb face, where the carriageway
// ends.
struct KerbFoot {
  bool found = false;
  Vec3 foot{};        // world point
  double height = 0;  // of the step up from the carriageway; length unit of the ranges
};

using LineSegmentList = std::unique_ptr<LineSegment>;  // head of a scan line's list, or none

// Releases every record of a list from the head along next, without recursion.
void freeLineSegmentList(LineSegmentList& head);

}  // namespace quorvel
