#include "segment/chord_frame.h"

#include <gtest/gtest.h>

#include "tests/segment/line_work_builder.h"

namespace quorvel {
namespace {

using test::workAlong;

TEST(ChordFrame, HorizontalChordGivesOffsetsAndPositionsExactly) {
  LineWork work = workAlong({{9, 9}, {1, 2}, {2, 2.25}, {3, 1.5}, {4, 2}});
  chordFrame(work, 1, 4);
  EXPECT_EQ(work.n, 4);
  EXPECT_EQ(work.V[1], 0.0);
  EXPECT_EQ(work.V[2], 0.25);
  EXPECT_EQ(work.V[3], -0.5);
  EXPECT_EQ(work.U[3], 2.0);
  EXPECT_EQ(work.U[4], 3.0);
}

// A vertical chord turns by the fixed right angle: upwards (dy > 0) by -1.570796327.
TEST(ChordFrame, VerticalChordSignFollowsItsDirection) {
  LineWork up = workAlong({{0, 0}, {1, 1}, {0, 2}});
  chordFrame(up, 0, 2);
  EXPECT_NEAR(up.V[2], -1.0, 1e-9);
  EXPECT_NEAR(up.U[3], 2.0, 1e-9);
  LineWork down = workAlong({{0, 2}, {1, 1}, {0, 0}});
  chordFrame(down, 0, 2);
  EXPECT_NEAR(down.V[2], 1.0, 1e-9);
  EXPECT_NE(up.V[3], 0.0);  // 1.570796327 is not exactly pi / 2
}

TEST(ChordDeviation, FirstOfEqualLargestOffsetsWins) {
  LineWork work = workAlong({{0, 0}, {1, -0.5}, {2, 0.5}, {3, 0.25}, {4, 0}});
  chordFrame(work, 0, 4);
  const ChordDeviation dev = chordDeviation(work);
  EXPECT_EQ(dev.maxDev, 0.5);
  EXPECT_EQ(dev.k, 2);
  EXPECT_TRUE(dev.hasDev);
}

TEST(ChordDeviation, CollinearPointsHaveNoDeviation) {
  LineWork work = workAlong({{0, 1}, {1, 1}, {2, 1}, {3, 1}});
  chordFrame(work, 0, 3);
  const ChordDeviation dev = chordDeviation(work);
  EXPECT_EQ(dev.maxDev, 0.0);
  EXPECT_EQ(dev.k, 0);
  EXPECT_FALSE(dev.hasDev);
}

}  // namespace
}  // namespace quorvel
