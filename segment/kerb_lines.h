// The kerb lines of a drive: the kerb feet of each side joined in scan line order into
// polylines, split where consecutive feet lie more than KERB_GAP apart (the kerb is missing or
// hidden there: driveways, junctions, parked cars); a polyline needs two feet or more.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "scan/derived_buffers.h"

namespace quorvel {

inline constexpr double KERB_GAP = 3.0;  // metres, horizontal

struct KerbLine {
  int side = 0;                // 0 right of the drive, 1 left
  std::vector<int32_t> lines;  // the scan line of each vertex
  std::vector<Vec3> vertices;  // world points of the kerb feet
  double meanHeight = 0;       // of the kerb over its vertices
};

// feet: two per scan line (right, then left), as the surface classification leaves them. The
// right side's lines come first, each side's in the order of their first scan line.
std::vector<KerbLine> buildKerbLines(std::span<const KerbFoot> feet);

}  // namespace quorvel
