#include "sim/portable_math.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "sim/random_stream.h"

namespace quorvel::sim {
namespace {

// Distance in units in the last place between two finite doubles.
int64_t ulpDistance(double a, double b) {
  const auto ordered = [](double x) {
    const int64_t bits = std::bit_cast<int64_t>(x);
    return bits < 0 ? std::numeric_limits<int64_t>::min() - bits : bits;
  };
  const int64_t difference = ordered(a) - ordered(b);
  return difference < 0 ? -difference : difference;
}

struct ArgumentRange {
  double lo, hi;
};

class TrigonometryAgainstStd : public ::testing::TestWithParam<ArgumentRange> {};

TEST_P(TrigonometryAgainstStd, WithinTwoUlps) {
  RandomStream random(7, StreamPurpose::Layout);
  for (int i = 0; i < 20000; ++i) {
    const double x = random.uniform(GetParam().lo, GetParam().hi);
    ASSERT_LE(ulpDistance(portableSin(x), std::sin(x)), 2) << "sin " << x;
    ASSERT_LE(ulpDistance(portableCos(x), std::cos(x)), 2) << "cos " << x;
  }
}

INSTANTIATE_TEST_SUITE_P(SimPortableMath, TrigonometryAgainstStd,
                         ::testing::Values(ArgumentRange{-0.7853, 0.7853}, ArgumentRange{-7, 7},
                                           ArgumentRange{-1e-6, 1e-6}, ArgumentRange{-400, 400},
                                           ArgumentRange{1e4, 1e6}));

TEST(SimPortableMath, SineAndCosineNearTheQuadrantBoundaries) {
  for (int k = -64; k <= 64; ++k) {
    for (const double nudge : {-1e-9, 0.0, 1e-9}) {
      const double x = k * 0.7853981633974483 + nudge;
      ASSERT_LE(ulpDistance(portableSin(x), std::sin(x)), 2) << x;
      ASSERT_LE(ulpDistance(portableCos(x), std::cos(x)), 2) << x;
    }
  }
}

TEST(SimPortableMath, ExactAtZero) {
  EXPECT_EQ(portableSin(0.0), 0.0);
  EXPECT_EQ(portableCos(0.0), 1.0);
  EXPECT_EQ(portableLog(1.0), 0.0);
}

class LogarithmAgainstStd : public ::testing::TestWithParam<ArgumentRange> {};

TEST_P(LogarithmAgainstStd, WithinTwoUlps) {
  RandomStream random(11, StreamPurpose::Layout);
  for (int i = 0; i < 20000; ++i) {
    // Spread over the binary exponents of the range.
    const double x = std::exp2(random.uniform(GetParam().lo, GetParam().hi));
    ASSERT_LE(ulpDistance(portableLog(x), std::log(x)), 2) << x;
  }
}

INSTANTIATE_TEST_SUITE_P(SimPortableMath, LogarithmAgainstStd,
                         ::testing::Values(ArgumentRange{-1000, 1000}, ArgumentRange{-1, 1},
                                           ArgumentRange{-1e-6, 1e-6}, ArgumentRange{-60, 0}));

TEST(SimRandomStream, UniformsLieInTheUnitInterval) {
  RandomStream random(3, StreamPurpose::Measurement);
  for (int i = 0; i < 100000; ++i) {
    const double u = random.uniform();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
}

TEST(SimRandomStream, FirstValuesAreFixedBySeedAndPurpose) {
  RandomStream a(5, StreamPurpose::Track), b(5, StreamPurpose::Track);
  RandomStream otherPurpose(5, StreamPurpose::Layout), otherSeed(6, StreamPurpose::Track);
  const double first = a.uniform();
  EXPECT_EQ(first, b.uniform());
  EXPECT_NE(first, otherPurpose.uniform());
  EXPECT_NE(first, otherSeed.uniform());
}

TEST(SimRandomStream, NormalDeviatesHaveUnitVariance) {
  RandomStream random(1, StreamPurpose::Measurement);
  constexpr int COUNT = 100000;
  double sum = 0, squares = 0;
  int beyondTwoSigma = 0;
  for (int i = 0; i < COUNT; ++i) {
    const double x = random.normal();
    sum += x;
    squares += x * x;
    beyondTwoSigma += std::abs(x) > 2.0;
  }
  const double mean = sum / COUNT;
  EXPECT_NEAR(mean, 0.0, 0.015);
  EXPECT_NEAR(squares / COUNT - mean * mean, 1.0, 0.02);
  EXPECT_NEAR(beyondTwoSigma / double{COUNT}, 0.0455, 0.004);
}

}  // namespace
}  // namespace quorvel::sim
