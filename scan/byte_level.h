// A colour or grey level from a value: value x scale, held within 0 ... 255 and truncated; NaN
// gives 0 like a negative value.
#pragma once

#include <cstdint>

namespace quorvel {

inline uint8_t byteLevel(double value, double scale) {
  const double v = value * scale;
  if (!(v >= 0)) return 0;
  if (v > 255) return 255;
  return static_cast<uint8_t>(v);
}

}  // namespace quorvel
