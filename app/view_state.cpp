#include "app/view_state.h"

#include <cstdint>
#include <limits>

namespace quorvel {

ViewState viewState;

namespace {

int64_t truncToInt64(double value) {
  constexpr double LIMIT = 9.0e18;  // well inside int64
  if (!(value == value)) return 0;
  if (value > LIMIT) return static_cast<int64_t>(LIMIT);
  if (value < -LIMIT) return static_cast<int64_t>(-LIMIT);
  return static_cast<int64_t>(value);
}

int32_t clampToInt(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace

int32_t zoomedExtent(int32_t v, double zoom) {
  const int64_t n = truncToInt64(v * zoom * 10);
  return clampToInt(n / 10 + (n % 10 != 0 ? 1 : 0));
}

int32_t truncToInt(double value) {
  return clampToInt(truncToInt64(value));
}

}  // namespace quorvel
