#include "sim/street_scene.h"

#include <algorithm>
#include <utility>

#include "sim/cross_section.h"

namespace quorvel::sim {

namespace {

constexpr double CURB_HEIGHT = 0.15;
constexpr double SIDEWALK_RISE = 0.05;    // from the curb top to the building line
constexpr double GROUND_REACH = 40.0;     // |v| where the modelled ground ends
constexpr double PROFILE_SECTION = 50.0;  // metres of street per cross-section copy
constexpr double POLE_OFFSET = 6.0;
constexpr double PARKING_CENTRE = 4.5;
constexpr double GLASS_RECESS = 0.12;
constexpr double DOOR_RECESS = 0.3;

constexpr double GUTTER = -STREET_CROWN_SLOPE * CARRIAGEWAY_HALF_WIDTH;  // road at the curb
constexpr double CURB_TOP = GUTTER + CURB_HEIGHT;
constexpr double SIDEWALK_BACK = CURB_TOP + SIDEWALK_RISE;

// A building lot along one side: its facade from x0 to x1, or an alley gap when height is 0.
struct Lot {
  double x0, x1;
  double height;
};

// The right half from the far ground to the centreline, then its mirror image.
CrossSection streetSection() {
  const CrossSection rightHalf = {
      {-GROUND_REACH, SIDEWALK_BACK, SurfaceClass::Ground},
      {-FACADE_OFFSET, SIDEWALK_BACK, SurfaceClass::Footway},
      {-CARRIAGEWAY_HALF_WIDTH, CURB_TOP, SurfaceClass::KerbFace},
      {-CARRIAGEWAY_HALF_WIDTH, GUTTER, SurfaceClass::Road},
      {0, 0, SurfaceClass::Road},
  };
  CrossSection section(rightHalf.begin(), rightHalf.end() - 1);
  const CrossSection leftHalf = mirrored(rightHalf);
  section.insert(section.end(), leftHalf.begin(), leftHalf.end());
  return section;
}

void addStreetProfile(Scene& scene, double x0, double x1) {
  const CrossSection section = streetSection();
  for (double x = x0; x < x1; x += PROFILE_SECTION) {
    addCrossSection(scene, x, std::min(x + PROFILE_SECTION, x1), section);
  }
}

std::vector<Lot> layOutLots(RandomStream& random, double x0, double x1) {
  std::vector<Lot> lots;
  for (double x = x0; x < x1;) {
    const bool alley = !lots.empty() && lots.back().height > 0 && random.chance(0.15);
    const double length = alley ? random.uniform(3, 8) : random.uniform(8, 30);
    lots.push_back({x, x + length, alley ? 0.0 : random.uniform(6, 18)});
    x += length;
  }
  return lots;
}

void addOpening(Wall& facade, double s0, double s1, double w0, double w1, OpeningKind kind) {
  const double recess = kind == OpeningKind::Door ? DOOR_RECESS : GLASS_RECESS;
  facade.openings.push_back({s0, s1, w0, w1, kind, recess});
}

// Window bays evenly across the facade: a door and shop windows at street level, one window
// per bay on every upper floor.
void addFacadeOpenings(RandomStream& random, Wall& facade, double height) {
  const double length = facade.s1 - facade.s0;
  const int bays = std::max(1, static_cast<int>((length - 1.0) / random.uniform(2.5, 3.5)));
  const double bayWidth = (length - 1.0) / bays;
  const double windowWidth = std::min(random.uniform(1.1, 1.5), bayWidth - 0.4);
  const double windowHeight = random.uniform(1.3, 1.7);
  const double floorHeight = random.uniform(3.0, 3.4);
  const int floors = static_cast<int>((height - 0.8) / floorHeight);
  const int doorBay = static_cast<int>(random.uniform() * bays);
  for (int bay = 0; bay < bays; ++bay) {
    const double centre = facade.s0 + 0.5 + (bay + 0.5) * bayWidth;
    const double s0 = centre - 0.5 * windowWidth, s1 = centre + 0.5 * windowWidth;
    if (bay == doorBay) {
      addOpening(facade, centre - 0.55, centre + 0.55, SIDEWALK_BACK, 2.3, OpeningKind::Door);
    } else {
      addOpening(facade, s0, s1, 0.7, 2.6, OpeningKind::Glass);
    }
    for (int floor = 1; floor < floors; ++floor) {
      const double sill = floor * floorHeight + 0.9;
      addOpening(facade, s0, s1, sill, sill + windowHeight, OpeningKind::Glass);
    }
  }
}

void addBuilding(RandomStream& random, Scene& scene, double side, const Lot& lot) {
  Wall facade =
      alongWall(side * FACADE_OFFSET, lot.x0, lot.x1, 0.0, lot.height, SurfaceClass::Vertical);
  addFacadeOpenings(random, facade, lot.height);
  scene.walls.items.push_back(std::move(facade));
}

// The back wall of an alley and the end walls of the buildings on either side.
void addAlley(RandomStream& random, Scene& scene, double side, const Lot& before, const Lot& alley,
              const Lot& after) {
  const double depth = random.uniform(6, 15);
  const double v0 = side * FACADE_OFFSET, v1 = side * (FACADE_OFFSET + depth);
  scene.walls.items.push_back(
      alongWall(v1, alley.x0, alley.x1, 0.0, random.uniform(2.5, 6), SurfaceClass::Other));
  const double low = std::min(v0, v1), high = std::max(v0, v1);
  scene.walls.items.push_back(
      acrossWall(alley.x0, low, high, 0.0, before.height, SurfaceClass::Vertical));
  scene.walls.items.push_back(
      acrossWall(alley.x1, low, high, 0.0, after.height, SurfaceClass::Vertical));
}

void addBuildings(RandomStream& random, Scene& scene, double side, double x0, double x1) {
  const std::vector<Lot> lots = layOutLots(random, x0, x1);
  for (size_t i = 0; i < lots.size(); ++i) {
    if (lots[i].height > 0) {
      addBuilding(random, scene, side, lots[i]);
    } else if (i + 1 < lots.size()) {
      addAlley(random, scene, side, lots[i - 1], lots[i], lots[i + 1]);
    }
  }
}

void addPoles(RandomStream& random, Scene& scene, double side, double x0, double x1) {
  for (double x = x0 + random.uniform(0, 20); x < x1; x += random.uniform(20, 35)) {
    scene.poles.items.push_back(
        {x, side * POLE_OFFSET, 0.1, GUTTER, random.uniform(5, 7), SurfaceClass::Vertical});
  }
}

// A car body with its lower edge 0.3 m above the road, and a narrower, shorter cabin on top.
void addCar(Scene& scene, double side, double x, double length) {
  const double road = GUTTER * PARKING_CENTRE / CARRIAGEWAY_HALF_WIDTH;
  const double v = side * PARKING_CENTRE;
  const double bodyTop = road + 1.0;
  scene.boxes.items.push_back(
      {{x, v - 0.9, road + 0.3}, {x + length, v + 0.9, bodyTop}, SurfaceClass::Other});
  scene.boxes.items.push_back({{x + 0.25 * length, v - 0.75, bodyTop},
                               {x + 0.8 * length, v + 0.75, bodyTop + 0.5},
                               SurfaceClass::Other});
}

void addParkedCars(RandomStream& random, Scene& scene, double side, double x0, double x1) {
  for (double x = x0 + random.uniform(0, 5); x < x1;) {
    const double length = random.uniform(3.8, 4.8);
    if (random.chance(0.6)) addCar(scene, side, x, length);
    x += length + random.uniform(0.8, 6);
  }
}

}  // namespace

Scene buildStreetScene(uint64_t seed, double x0, double x1) {
  RandomStream random(seed, StreamPurpose::Layout);
  Scene scene;
  scene.elevation.offset = STREET_DATUM;
  addStreetProfile(scene, x0, x1);
  for (const double side : {-1.0, 1.0}) {
    addBuildings(random, scene, side, x0, x1);
    addPoles(random, scene, side, x0, x1);
    addParkedCars(random, scene, side, x0, x1);
  }
  finishScene(scene);
  return scene;
}

}  // namespace quorvel::sim
