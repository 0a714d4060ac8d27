// The valid world points of a loaded scan: how many, and their bounding box.
#pragma once

#include "scan/calib_file.h"
#include "scan/geometry.h"
#include "scan/scan_store.h"

namespace quorvel {

struct PointBox {
  long long valid = 0;
  Vec3 min{99999999.0, 99999999.0, 99999999.0};  // as they start, without a valid point
  Vec3 max{-99999999.0, -99999999.0, -99999999.0};
};

PointBox validPointBox(const ScanStore& store, const SensorCalib& calib);

}  // namespace quorvel
