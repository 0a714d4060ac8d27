#include "sim/vehicle_track.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/portable_math.h"
#include "sim/range_measurement.h"

namespace quorvel::sim {
namespace {

constexpr int RECORDS = 6000;

const WaveSum HILL = {-1.0, {{3.0, TWO_PI / 500, 0.0}}};  // grades up to 0.038

class DrivenTrack : public ::testing::TestWithParam<uint64_t> {
 protected:
  std::vector<double> arcLengths = lineArcLengths(GetParam(), RECORDS);
  std::vector<TrackPose> track = driveTrack(GetParam(), arcLengths, HILL);
};

TEST_P(DrivenTrack, LinesAreFiveToTwentyCentimetresApart) {
  EXPECT_EQ(arcLengths.front(), 0.0);
  for (size_t i = 1; i < arcLengths.size(); ++i) {
    ASSERT_GE(arcLengths[i] - arcLengths[i - 1], 0.05);
    ASSERT_LE(arcLengths[i] - arcLengths[i - 1], 0.2);
  }
}

TEST_P(DrivenTrack, StartsAtTheOriginHeadingAlongX) {
  const StreetFrame& start = track.front().street;
  EXPECT_EQ(start.centre[0], 0.0);
  EXPECT_EQ(start.centre[1], 0.0);
  EXPECT_NEAR(start.centre[2], -1.0, 1e-12);
  EXPECT_NEAR(start.cosHeading, 1.0, 1e-12);
}

TEST_P(DrivenTrack, CurvatureRadiusIsAtLeastThreeHundredMetres) {
  for (size_t i = 1; i < track.size(); ++i) {
    const StreetFrame &a = track[i - 1].street, &b = track[i].street;
    const double turn = a.cosHeading * b.sinHeading - a.sinHeading * b.cosHeading;
    ASSERT_LE(std::abs(turn) / (b.arcLength - a.arcLength), 1.0 / 300) << i;
  }
}

TEST_P(DrivenTrack, VehicleKeepsToTheRightLaneAboveTheRoad) {
  for (const TrackPose& pose : track) {
    const Vec3 inStreet = toStreetPoint(pose.street, pose.position);
    ASSERT_NEAR(inStreet[0], pose.street.arcLength, 1e-9);
    ASSERT_NEAR(inStreet[1], LANE_OFFSET, 0.2);
    ASSERT_NEAR(inStreet[2], VEHICLE_HEIGHT, 1e-9);
  }
}

TEST_P(DrivenTrack, AttitudeFollowsTheHeadingAndTheGrade) {
  for (const TrackPose& pose : track) {
    const double c = pose.street.cosHeading, s = pose.street.sinHeading;
    const double pitchUp = pose.attitude[0] * s - pose.attitude[1] * c;
    const double roll = pose.attitude[0] * c + pose.attitude[1] * s;
    ASSERT_NEAR(pitchUp, pose.street.grade, 0.4 * DEG_TO_RAD);
    ASSERT_LT(std::abs(roll), 0.4 * DEG_TO_RAD);
    // The path heading, turned a little as the vehicle wanders across its lane.
    ASSERT_NEAR(pose.attitude[2], std::atan2(s, c), 1.2 * DEG_TO_RAD);
  }
}

INSTANTIATE_TEST_SUITE_P(SimTrack, DrivenTrack, ::testing::Values(1, 2, 77));

TEST(SimMeasurement, NoHitNoReturn) {
  RandomStream random(1, StreamPurpose::Measurement);
  const RangeReading reading = measureRange(RayHit{}, random);
  EXPECT_EQ(reading.raw, 0);
  EXPECT_EQ(reading.surface, SurfaceClass::None);
}

TEST(SimMeasurement, RawRangesScatterAroundTheHit) {
  RandomStream random(2, StreamPurpose::Measurement);
  constexpr int COUNT = 20000;
  double sum = 0, squares = 0;
  for (int i = 0; i < COUNT; ++i) {
    const RangeReading reading = measureRange({10.0, SurfaceClass::Road, false}, random);
    ASSERT_EQ(reading.surface, SurfaceClass::Road);
    sum += reading.raw;
    squares += (reading.raw - 1000.0) * (reading.raw - 1000.0);
  }
  EXPECT_NEAR(sum / COUNT, 1000.0, 0.1);
  // The spread of the noise and of rounding to whole units.
  EXPECT_NEAR(std::sqrt(squares / COUNT), std::sqrt(1.5 * 1.5 + 1.0 / 12), 0.05);
}

TEST(SimMeasurement, MostPanesSwallowThePulse) {
  RandomStream random(3, StreamPurpose::Measurement);
  int lost = 0;
  for (int i = 0; i < 10000; ++i) {
    lost += measureRange({7.0, SurfaceClass::Vertical, true}, random).raw == 0;
  }
  EXPECT_NEAR(lost / 10000.0, GLASS_LOSS, 0.015);
}

TEST(SimMeasurement, ReturnsStayWithinTheRawRange) {
  RandomStream random(4, StreamPurpose::Measurement);
  EXPECT_EQ(measureRange({1e-6, SurfaceClass::Other, false}, random).raw, 1);
  EXPECT_EQ(measureRange({500.0, SurfaceClass::Other, false}, random).raw, MAX_RAW_RANGE);
}

}  // namespace
}  // namespace quorvel::sim
