#include "features/squared_distance_limit.h"

#include <cmath>
#include <limits>

namespace quorvel {

double squaredDistanceLimit(double limit) {
  if (!(limit >= 0)) return -1.0;
  const double infinity = std::numeric_limits<double>::infinity();
  if (limit == infinity) return infinity;
  // sqrt is correctly rounded and monotonic, so the boundary lies within a few steps of the
  // rounded square; sqrt(0) = 0 <= limit ends the first loop, sqrt(inf) > limit the second.
  double x = limit * limit;
  while (std::sqrt(x) > limit) x = std::nextafter(x, 0.0);
  while (std::sqrt(std::nextafter(x, infinity)) <= limit) x = std::nextafter(x, infinity);
  return x;
}

}  // namespace quorvel
