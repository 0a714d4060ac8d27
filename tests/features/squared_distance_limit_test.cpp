// The exact squared form of a distance threshold.
#include "features/squared_distance_limit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quorvel {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

class SquaredDistanceLimit : public ::testing::TestWithParam<double> {};

TEST_P(SquaredDistanceLimit, IsTheLastSquareWhoseRootPasses) {
  const double limit = GetParam();
  const double x = squaredDistanceLimit(limit);
  EXPECT_LE(std::sqrt(x), limit);
  EXPECT_GT(std::sqrt(std::nextafter(x, INF)), limit);
  // Around the boundary the two tests agree.
  double d2 = x;
  for (int i = 0; i < 8; ++i) d2 = std::nextafter(d2, 0.0);
  for (int i = 0; i < 16; ++i, d2 = std::nextafter(d2, INF)) {
    EXPECT_EQ(d2 <= x, std::sqrt(d2) <= limit) << d2;
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, SquaredDistanceLimit,
                         ::testing::Values(1.0, 0.5, 0.3, 0.1, 2.0, 7.25, 1e-3, 1e-160, 1e-310,
                                           1e150, 1e200, 0.0));

TEST(SquaredDistanceLimitOfOne, IncludesTheSquareJustAboveOne) {
  EXPECT_EQ(squaredDistanceLimit(1.0), 1.0 + std::ldexp(1.0, -52));
}

TEST(SquaredDistanceLimitEdges, NegativeOrNaNLetsNothingPassAndInfinityEverything) {
  EXPECT_EQ(squaredDistanceLimit(-1.0), -1.0);
  EXPECT_EQ(squaredDistanceLimit(std::numeric_limits<double>::quiet_NaN()), -1.0);
  EXPECT_EQ(squaredDistanceLimit(INF), INF);
  EXPECT_FALSE(std::numeric_limits<double>::quiet_NaN() <= squaredDistanceLimit(INF));
}

}  // namespace
}  // namespace quorvel
