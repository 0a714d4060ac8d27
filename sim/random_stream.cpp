#include "sim/random_stream.h"

#include <cmath>

#include "sim/portable_math.h"

namespace quorvel::sim {

namespace {

// Spreads the user's seed and the purpose over all 64 bits (the splitmix64 finaliser).
uint64_t engineSeed(uint64_t seed, StreamPurpose purpose) {
  uint64_t z = seed + 0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(purpose);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

RandomStream::RandomStream(uint64_t seed, StreamPurpose purpose)
    : engine_(engineSeed(seed, purpose)) {}

double RandomStream::uniform() {
  return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

double RandomStream::uniform(double lo, double hi) {
  return lo + (hi - lo) * uniform();
}

bool RandomStream::chance(double probability) {
  return uniform() < probability;
}

double RandomStream::normal() {
  if (hasSpareNormal_) {
    hasSpareNormal_ = false;
    return spareNormal_;
  }
  double x, y, s;
  do {
    x = 2.0 * uniform() - 1.0;
    y = 2.0 * uniform() - 1.0;
    s = x * x + y * y;
  } while (s >= 1.0 || s == 0.0);
  const double scale = std::sqrt(-2.0 * portableLog(s) / s);
  spareNormal_ = y * scale;
  hasSpareNormal_ = true;
  return x * scale;
}

}  // namespace quorvel::sim
