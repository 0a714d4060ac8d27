#include "sim/vehicle_track.h"

#include "sim/portable_math.h"

namespace quorvel::sim {

namespace {

// The smooth parts of the drive; all functions of the distance along the street.
struct DrivingShape {
  WaveSum heading;  // of the centreline; radians
  WaveSum lateral;  // v of the vehicle; metres
  WaveSum roll;     // radians
  WaveSum pitch;    // nose up, on top of the road grade; radians
};

// Heading waves with curvatures up to 0.3 * 2pi / 1000 + 0.055 * 2pi / 250 = 1 / 306 per metre.
DrivingShape randomDrivingShape(RandomStream& random) {
  DrivingShape shape;
  shape.heading.waves = {randomWave(random, 0.1, 0.3, 1000, 1600),
                         randomWave(random, 0.02, 0.055, 250, 400)};
  anchorAtStart(shape.heading, 0);
  shape.lateral.offset = LANE_OFFSET;
  shape.lateral.waves = {randomWave(random, 0.12, 0.12, 150, 300),
                         randomWave(random, 0.06, 0.06, 40, 80)};
  const double roll = 0.2 * DEG_TO_RAD, pitch = 0.15 * DEG_TO_RAD;
  shape.roll.waves = {randomWave(random, roll, roll, 30, 60),
                      randomWave(random, 0.5 * roll, 0.5 * roll, 8, 15)};
  shape.pitch.waves = {randomWave(random, pitch, pitch, 20, 50),
                       randomWave(random, 0.5 * pitch, 0.5 * pitch, 5, 12)};
  return shape;
}

// The recorded angles rotate about the world axes, heading first: roll about the vehicle's
// forward axis and pitch about its left axis become, to first order, rotations about world x
// and y.
Vec3 recordedAttitude(double heading, double roll, double pitchUp) {
  const double c = portableCos(heading), s = portableSin(heading);
  return {roll * c + pitchUp * s, roll * s - pitchUp * c, heading};
}

// The centreline advanced from one record to the next, with the heading halfway between.
void advanceCentre(const WaveSum& heading, double from, double to, Vec3& centre) {
  const double middle = heading.value(0.5 * (from + to));
  centre[0] += (to - from) * portableCos(middle);
  centre[1] += (to - from) * portableSin(middle);
}

TrackPose poseAt(const DrivingShape& shape, const WaveSum& elevation, RandomStream& random,
                 double u, const Vec3& centre) {
  const double heading = shape.heading.value(u);
  const StreetFrame street = makeStreetFrame(u, centre, heading, elevation.slope(u));
  const double lateral = shape.lateral.value(u);
  const double vehicleHeading =
      heading + shape.lateral.slope(u) + 0.03 * DEG_TO_RAD * random.normal();
  const double roll = shape.roll.value(u) + 0.02 * DEG_TO_RAD * random.normal();
  const double pitchUp = street.grade + shape.pitch.value(u) + 0.02 * DEG_TO_RAD * random.normal();
  const Vec3 position = {centre[0] - lateral * street.sinHeading,
                         centre[1] + lateral * street.cosHeading, centre[2] + VEHICLE_HEIGHT};
  return {street, recordedAttitude(vehicleHeading, roll, pitchUp), position};
}

}  // namespace

std::vector<double> lineArcLengths(uint64_t seed, int records) {
  RandomStream random(seed, StreamPurpose::Spacing);
  const double wavenumber = TWO_PI / random.uniform(400, 900), phase = random.uniform(0, TWO_PI);
  std::vector<double> arcLengths(static_cast<size_t>(records));
  for (int i = 1; i < records; ++i) {
    const double spacing = 0.125 + 0.07 * portableSin(wavenumber * i + phase);
    arcLengths[static_cast<size_t>(i)] = arcLengths[static_cast<size_t>(i - 1)] + spacing;
  }
  return arcLengths;
}

std::vector<TrackPose> driveTrack(uint64_t seed, const std::vector<double>& arcLengths,
                                  const WaveSum& elevation) {
  RandomStream random(seed, StreamPurpose::Track);
  const DrivingShape shape = randomDrivingShape(random);
  std::vector<TrackPose> track;
  track.reserve(arcLengths.size());
  Vec3 centre = {0, 0, 0};
  double previous = 0;
  for (const double u : arcLengths) {
    advanceCentre(shape.heading, previous, u, centre);
    centre[2] = elevation.value(u);
    track.push_back(poseAt(shape, elevation, random, u, centre));
    previous = u;
  }
  return track;
}

}  // namespace quorvel::sim
