// Scan stores built in memory for stage tests: L lines of one set-up, raw samples from a
// function, identity poses with the lines spaced along y.
#pragma once

#include <cstdint>
#include <functional>

#include "scan/calib_file.h"
#include "scan/geometry.h"
#include "scan/scan_store.h"

namespace quorvel::test {

using RawSample = std::function<int16_t(int32_t l, int32_t s)>;

// pointsPerLine 181, 361 or 401 picks the set-up; line l lies at l * lineStep.
ScanStore gridStore(int32_t lines, int16_t pointsPerLine, float rangeUnit, const RawSample& raw,
                    const Vec3& lineStep = {0.0, 0.1, 0.0});

SensorCalib identityCalib();

}  // namespace quorvel::test
