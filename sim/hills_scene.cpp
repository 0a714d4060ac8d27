#include "sim/hills_scene.h"

#include <cmath>
#include <utility>

#include "sim/cross_section.h"
#include "sim/portable_math.h"

namespace quorvel::sim {

namespace {

constexpr double SHOULDER_EDGE = 5.0;   // |v| of the outer shoulder edge
constexpr double SHOULDER_FALL = 0.06;  // from the lane edge to the shoulder edge
constexpr double GROUND_REACH = 40.0;
constexpr double CUT_SLOPE = 1.5;   // rise per metre outward
constexpr double FILL_SLOPE = 0.5;  // fall per metre outward
constexpr double TUNNEL_CEILING = 6.0;
constexpr double PORTAL_HALF_WIDTH = 30.0;
constexpr double PORTAL_TOP = 15.0;
constexpr double POST_SPACING = 50.0;

enum class Embankment { Cut, Fill, Level };

struct Section {
  double x0, x1;
  double crossSlope;           // w = crossSlope * v across the lanes
  Embankment side[2];          // right, left
  double embankmentHeight[2];  // metres
};

// A hill wave whose steepest grade lies between half of maxGrade and maxGrade.
Wave hillWave(RandomStream& random, double maxGrade, double shortest, double longest) {
  const double wavelength = random.uniform(shortest, longest);
  const double grade = random.uniform(0.5, 1.0) * maxGrade;
  return randomPhaseWave(random, grade * wavelength / TWO_PI, wavelength);
}

// Long and short hills; their grades add up to at most 0.042 + 0.024 = 0.066.
WaveSum hillsElevation(RandomStream& random) {
  WaveSum elevation;
  elevation.waves.push_back(hillWave(random, 0.042, 400, 700));
  elevation.waves.push_back(hillWave(random, 0.024, 150, 250));
  anchorAtStart(elevation, HILLS_START_DATUM);
  return elevation;
}

Embankment randomEmbankment(RandomStream& random) {
  const double pick = random.uniform();
  return pick < 0.4 ? Embankment::Cut : pick < 0.75 ? Embankment::Fill : Embankment::Level;
}

// The draws are the same whatever `sides` says, so that the scenes differ in the sides alone.
Section randomSection(RandomStream& random, double x0, double x1, HillsSides sides) {
  Section section{x0, x1, random.chance(0.5) ? HILLS_CROSS_SLOPE : -HILLS_CROSS_SLOPE, {}, {}};
  for (int side = 0; side < 2; ++side) {
    section.side[side] = randomEmbankment(random);
    section.embankmentHeight[side] = random.uniform(1.5, 6.0);
    if (sides == HillsSides::Cut) section.side[side] = Embankment::Cut;
    if (sides == HillsSides::Fill) section.side[side] = Embankment::Fill;
  }
  return section;
}

// Lanes and shoulders from the right shoulder edge to the left one.
CrossSection roadway(double crossSlope) {
  const double right = -crossSlope * HILLS_LANE_HALF_WIDTH, left = -right;
  return {{-SHOULDER_EDGE, right - SHOULDER_FALL, SurfaceClass::Ground},
          {-HILLS_LANE_HALF_WIDTH, right, SurfaceClass::Road},
          {HILLS_LANE_HALF_WIDTH, left, SurfaceClass::Ground},
          {SHOULDER_EDGE, left - SHOULDER_FALL, SurfaceClass::Ground}};
}

// The outward vertices beyond one shoulder edge: the slope's far edge, then the ground's end.
CrossSection embankment(double direction, double edgeHeight, Embankment kind, double height) {
  double run = 0, rise = 0;
  if (kind == Embankment::Cut) run = height / CUT_SLOPE, rise = height;
  if (kind == Embankment::Fill) run = height / FILL_SLOPE, rise = -height;
  if (kind == Embankment::Level) run = 1.0, rise = -0.1;
  return {{direction * (SHOULDER_EDGE + run), edgeHeight + rise, SurfaceClass::Ground},
          {direction * GROUND_REACH, edgeHeight + rise, SurfaceClass::Ground}};
}

CrossSection sectionProfile(const Section& section) {
  const CrossSection road = roadway(section.crossSlope);
  const CrossSection right =
      embankment(-1, road.front().w, section.side[0], section.embankmentHeight[0]);
  CrossSection profile(right.rbegin(), right.rend());
  profile.insert(profile.end(), road.begin(), road.end());
  const CrossSection left =
      embankment(1, road.back().w, section.side[1], section.embankmentHeight[1]);
  profile.insert(profile.end(), left.begin(), left.end());
  return profile;
}

void addTunnel(Scene& scene, double x0, double x1) {
  const CrossSection road = roadway(HILLS_CROSS_SLOPE);
  addCrossSection(scene, x0, x1, road);
  for (const double side : {-1.0, 1.0}) {
    const double floor = side < 0 ? road.front().w : road.back().w;
    scene.walls.items.push_back(
        alongWall(side * SHOULDER_EDGE, x0, x1, floor, TUNNEL_CEILING, SurfaceClass::Vertical));
  }
  scene.pieces.items.push_back(
      {x0, x1, -SHOULDER_EDGE, SHOULDER_EDGE, TUNNEL_CEILING, TUNNEL_CEILING, SurfaceClass::Other});
  const Opening mouth{.s0 = -SHOULDER_EDGE,
                      .s1 = SHOULDER_EDGE,
                      .w0 = -PORTAL_TOP,
                      .w1 = TUNNEL_CEILING,
                      .kind = OpeningKind::Passage,
                      .recess = 0};
  for (const double x : {x0, x1}) {
    Wall portal = acrossWall(x, -PORTAL_HALF_WIDTH, PORTAL_HALF_WIDTH, -PORTAL_TOP, PORTAL_TOP,
                             SurfaceClass::Vertical);
    portal.openings.push_back(mouth);
    scene.walls.items.push_back(std::move(portal));
  }
}

// Delineator posts on both shoulders at a fixed spacing, and now and then a sign.
void addRoadsideFurniture(RandomStream& random, Scene& scene, const Section& section) {
  const double edge = SHOULDER_EDGE - 0.3;
  for (double x = std::ceil(section.x0 / POST_SPACING) * POST_SPACING; x < section.x1;
       x += POST_SPACING) {
    for (const double side : {-1.0, 1.0}) {
      const double ground = section.crossSlope * side * HILLS_LANE_HALF_WIDTH - SHOULDER_FALL;
      scene.poles.items.push_back(
          {x, side * edge, 0.05, ground - 0.5, ground + 1.0, SurfaceClass::Vertical});
    }
  }
  if (!random.chance(0.3)) return;
  const double x = random.uniform(section.x0, section.x1), side = random.chance(0.5) ? 1 : -1;
  const double v = side * (SHOULDER_EDGE + 0.8);
  scene.poles.items.push_back({x, v, 0.05, -3.0, 3.4, SurfaceClass::Vertical});
  scene.boxes.items.push_back(
      {{x - 0.03, v - 0.4, 2.5}, {x + 0.03, v + 0.4, 3.3}, SurfaceClass::Other});
}

}  // namespace

Scene buildHillsScene(uint64_t seed, double x0, double x1, double tunnelFrom, HillsSides sides) {
  RandomStream random(seed, StreamPurpose::Layout);
  Scene scene;
  scene.elevation = hillsElevation(random);
  const double tunnelStart = tunnelFrom + random.uniform(0.3, 0.5) * (x1 - tunnelFrom);
  const double tunnelEnd = tunnelStart + random.uniform(40, 60);
  for (double x = x0; x < x1;) {
    double end = x + random.uniform(30, 120);
    if (x < tunnelStart && end > tunnelStart) end = tunnelStart;
    if (x == tunnelStart) {
      addTunnel(scene, tunnelStart, tunnelEnd);
      end = tunnelEnd;
    } else {
      const Section section = randomSection(random, x, end, sides);
      addCrossSection(scene, x, end, sectionProfile(section));
      addRoadsideFurniture(random, scene, section);
    }
    x = end;
  }
  finishScene(scene);
  return scene;
}

}  // namespace quorvel::sim
