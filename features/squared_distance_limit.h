// Distance thresholds without square roots. "sqrt(d2) <= limit" and "d2 <= limit * limit" are
// not the same test: sqrt rounds, so some d2 slightly above limit * limit still pass (for limit
// 1.0, d2 = 1 + 2^-52 does). squaredDistanceLimit gives the exact boundary instead.
#pragma once

namespace quorvel {

// The largest double x with std::sqrt(x) <= limit, so that "d2 <= result" decides exactly as
// "std::sqrt(d2) <= limit" for every d2 >= 0 (NaN passes neither). -1.0 when no d2 passes
// (limit negative or NaN); infinity for an infinite limit.
double squaredDistanceLimit(double limit);

}  // namespace quorvel
