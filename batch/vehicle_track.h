// A task's drive as a line on the batch page: the vehicle's x, y at every Nth of its own scan
// lines and at its last, N chosen so that a task gives at most TRACK_VERTICES vertices (a task of
// 5 000 lines: one vertex every 51 lines, some 7 m at 75 lines per second and 10 m/s).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "scan/scan_store.h"

namespace quorvel::batch {

inline constexpr int32_t TRACK_VERTICES = 100;

// Lines first ... first + count - 1 of the loaded scan; positions rounded to millimetres (of
// the ranges' length unit).
std::vector<std::array<double, 2>> vehicleTrack(const ScanStore& store, int32_t first,
                                                int32_t count);

}  // namespace quorvel::batch
