// DS file records as bytes, little-endian whatever the host: attitude and position as float64,
// four reserved bytes, then the raw int16 range samples.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "scan/geometry.h"

namespace quorvel::sim {

void appendDsRecord(std::vector<unsigned char>& out, const Vec3& attitude, const Vec3& position,
                    uint32_t reserved, std::span<const int16_t> ranges);

}  // namespace quorvel::sim
