// What the scanner reports for a ray's hit: a raw range with Gaussian noise in the DS range
// unit, or no return; and the sample's ground-truth class to go with it.
#pragma once

#include <cstdint>

#include "sim/random_stream.h"
#include "sim/ray_hit.h"

namespace quorvel::sim {

inline constexpr double RANGE_UNIT = 100.0;   // raw value per metre
inline constexpr double RANGE_NOISE = 0.015;  // standard deviation; metres
inline constexpr double GLASS_LOSS = 0.8;     // chance that a window pane gives no return
inline constexpr int16_t MAX_RAW_RANGE = 32767;

struct RangeReading {
  int16_t raw;           // 0 for no return, else 1 to MAX_RAW_RANGE
  SurfaceClass surface;  // None exactly when raw is 0
};

RangeReading measureRange(const RayHit& hit, RandomStream& random);

}  // namespace quorvel::sim
