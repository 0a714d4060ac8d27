// Scan lines drawn from chosen 2-D profiles: each span of samples sees a straight line of the
// scan plane, and every other sample has no return (raw 0). Ranges are stored in millimetres
// (range unit 1000), so a range must stay below 32.7.
#pragma once

#include <cstdint>
#include <vector>

#include "scan/calib_file.h"
#include "scan/point_reconstruction.h"
#include "scan/scan_store.h"

namespace quorvel::test {

// Samples first ... last see the straight line through the scan-plane points p and q.
struct ProfileSpan {
  int32_t first, last;
  Vec2 p, q;
};
using LineProfile = std::vector<ProfileSpan>;

// One scan line per profile, in the set-up of pointsPerLine (181, 361 or 401), zero poses.
ScanStore profileStore(int16_t pointsPerLine, const std::vector<LineProfile>& lines);

// Stands the scan plane upright: scan point (x, y) becomes world point (x, 0, y), so that the
// world height is the scan-plane y.
SensorCalib uprightCalib();

}  // namespace quorvel::test
