// Pseudo-random numbers that are the same on every platform: std::mt19937_64 (its output is
// fixed by the standard) with uniform and normal deviates derived here, not by the library's
// distributions, whose algorithms differ between implementations.
#pragma once

#include <cstdint>
#include <random>

namespace quorvel::sim {

// What a stream is used for; each purpose draws from its own engine, so that adding draws to
// one never shifts another.
enum class StreamPurpose : uint64_t { Layout = 1, Spacing = 2, Track = 3, Measurement = 4 };

// Draw each value in a statement of its own: the order in which a call's arguments are
// evaluated differs between compilers.
class RandomStream {
 public:
  RandomStream(uint64_t seed, StreamPurpose purpose);

  double uniform();                      // [0, 1), multiples of 2^-53
  double uniform(double lo, double hi);  // [lo, hi)
  bool chance(double probability);       // true with the given probability
  double normal();                       // standard normal deviate (Marsaglia polar method)

 private:
  std::mt19937_64 engine_;
  double spareNormal_ = 0;
  bool hasSpareNormal_ = false;
};

}  // namespace quorvel::sim
