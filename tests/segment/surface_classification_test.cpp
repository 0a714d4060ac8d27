// The surface classification on cross profiles drawn by hand at the limits of its rules (kerbs
// of 5 and 25 cm, a ramp, a driveway, a run without returns, a line without ground), every
// sample checked against the part of the profile it sees; and on short simulated drives against
// the simulator's truth, with the kerb lines they give.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "segment/kerb_lines.h"
#include "segment/surface_classes.h"
#include "segment/surface_classification.h"
#include "tests/support/grid_store.h"
#include "tests/support/simulated_scan.h"
#include "tests/support/surface_truth.h"

namespace quorvel {
namespace {

constexpr double SCANNER_HEIGHT = 2.6;
constexpr double LINE_SPACING = 0.125;  // metres along the drive
constexpr double SLACK = 0.1;  // metres from a part's ends where a neighbour's class is allowed

// A cross profile from right to left: u across (left positive), z height, each vertex with the
// class of the part that runs from it to the next; NO_RETURN parts give no returns.
struct Vertex {
  double u, z;
  uint8_t toNext;
};
using Profile = std::vector<Vertex>;
constexpr uint8_t NO_RETURN = 255;

// The scanner looks across the drive: scan x to the right, scan y down, SCANNER_HEIGHT above
// z = 0; the lines run along world x.
SensorCalib acrossCalib() {
  SensorCalib calib;
  calib.rotation = {0, 0, 1, -1, 0, 0, 0, -1, 0};
  calib.translation = {0, 0, SCANNER_HEIGHT};
  return calib;
}

double sampleAngle(int16_t points, int32_t s) {
  return s * (points == 401 ? 0.25 : points == 361 ? 0.5 : 1.0) * DEG_TO_RAD;
}

// The part of the profile that sample s sees (its index), and the range to it; -1 for none.
int32_t seenPart(const Profile& profile, double theta, double& range) {
  const double c = std::cos(theta), s = std::sin(theta);
  for (size_t i = 0; i + 1 < profile.size(); ++i) {
    const double x0 = -profile[i].u, y0 = SCANNER_HEIGHT - profile[i].z;
    const double x1 = -profile[i + 1].u, y1 = SCANNER_HEIGHT - profile[i + 1].z;
    const double a0 = std::atan2(y0, x0), a1 = std::atan2(y1, x1);
    if (theta < std::min(a0, a1) || theta > std::max(a0, a1)) continue;
    const double dx = x1 - x0, dy = y1 - y0;
    range = (x0 * dy - y0 * dx) / (c * dy - s * dx);
    return static_cast<int32_t>(i);
  }
  return -1;
}

// Line l sees profileOf(l); ranges in millimetres.
ScanStore profileScan(int32_t lines, int16_t points, const std::function<Profile(int32_t)>& of) {
  return test::gridStore(lines, points, 1000.0f,
                         [&](int32_t l, int32_t s) {
                           const Profile profile = of(l);
                           double range = 0;
                           const int32_t part = seenPart(profile, sampleAngle(points, s), range);
                           if (part < 0 || profile[part].toNext == NO_RETURN) return int16_t(0);
                           return static_cast<int16_t>(std::lround(range * 1000));
                         },
                         {LINE_SPACING, 0, 0});
}

// Every sample of line l has the class of the part it sees, or near a part's end that of the
// neighbouring part.
void expectClasses(const ScanStore& store, int32_t l, const Profile& profile) {
  const std::vector<uint8_t>& map = *store.surfaceClassMap;
  const int16_t P = store.pointsPerLine;
  for (int32_t s = 0; s < P; ++s) {
    double range = 0;
    const int32_t part = seenPart(profile, sampleAngle(P, s), range);
    const uint8_t got = map[static_cast<size_t>(l) * P + s];
    if (part < 0 || profile[part].toNext == NO_RETURN) {
      EXPECT_EQ(got, SURFACE_NO_POINT) << "line " << l << " sample " << s;
      continue;
    }
    const double u = -range * std::cos(sampleAngle(P, s));
    const double z = SCANNER_HEIGHT - range * std::sin(sampleAngle(P, s));
    bool allowed = got == profile[part].toNext;
    for (const int32_t end : {part, part + 1}) {
      const double gap = std::hypot(u - profile[end].u, z - profile[end].z);
      const int32_t other = end == part ? part - 1 : part + 1;
      if (gap <= SLACK && other >= 0 && other + 1 < static_cast<int32_t>(profile.size())) {
        allowed = allowed || got == profile[other].toNext;
      }
    }
    EXPECT_TRUE(allowed) << "line " << l << " sample " << s << " at u " << u << ", z " << z
                         << ": class " << int(got) << ", part class " << int(profile[part].toNext);
  }
}

// A street: walls at +-6 m, footways from the kerbs at +-3.5 m, the road between; `right` and
// `left` replace the right and left footway and kerb (the vertices from the wall to the road).
Profile street(double kerb, const Profile& right = {}, const Profile& left = {}) {
  const uint8_t C = SURFACE_CARRIAGEWAY, K = SURFACE_KERB, G = SURFACE_GROUND;
  Profile p = {{-6, 2.5, SURFACE_VERTICAL}, {-6, kerb, G}};
  const Profile rightSide = right.empty() ? Profile{{-3.5, kerb, K}, {-3.5, 0, C}} : right;
  p.insert(p.end(), rightSide.begin(), rightSide.end());
  const Profile leftSide =
      left.empty() ? Profile{{3.5, 0, K}, {3.5, kerb, G}, {6, kerb, SURFACE_VERTICAL}} : left;
  p.insert(p.end(), leftSide.begin(), leftSide.end());
  p.push_back({6, 2.5, 0});
  return p;
}

struct ProfileCase {
  const char* name;
  Profile profile;
  bool kerbs[2];  // feet expected right, left
};

TEST(SurfaceProfiles, EverySampleHasTheClassOfWhatItSees) {
  const uint8_t C = SURFACE_CARRIAGEWAY, G = SURFACE_GROUND, V = SURFACE_VERTICAL;
  const ProfileCase cases[] = {
      {"kerb of 5 cm", street(0.05), {true, true}},
      {"kerb of 25 cm", street(0.25), {true, true}},
      {"ramp up to the right footway", street(0.2, {{-4, 0.2, G}, {-3, 0, C}}), {false, true}},
      {"no returns from a wet patch",
       street(
           0.15, {},
           {{0.5, 0, NO_RETURN}, {2, 0, C}, {3.5, 0, SURFACE_KERB}, {3.5, 0.15, G}, {6, 0.15, V}}),
       {true, true}},
  };
  for (const ProfileCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (const int16_t points : {181, 361, 401}) {
      ScanStore store = profileScan(40, points, [&](int32_t) { return c.profile; });
      ASSERT_EQ(classifySurfaces(store, acrossCalib(), {}), 1);
      expectClasses(store, 20, c.profile);
      if (points == 401) continue;  // its 100-degree sweep ends before the kerbs
      for (int side = 0; side < 2; ++side) {
        const KerbFoot& foot = (*store.kerbFeet)[2 * 20 + side];
        ASSERT_EQ(foot.found, c.kerbs[side]) << "side " << side << ", " << points << " samples";
        if (!foot.found) continue;
        // Where no sample meets the face, it lies between the road's end and the footway.
        EXPECT_NEAR(std::fabs(foot.foot[1]), 3.5, points == 181 ? 0.07 : 0.02);
        EXPECT_NEAR(foot.foot[2], 0, 0.005);
        EXPECT_NEAR(foot.height, c.profile[1].z, 0.005);
      }
    }
  }
}

TEST(SurfaceProfiles, ALineWithoutGroundHasNoCarriagewayAndNoKerb) {
  const Profile wallsOnly = {{-2.5, 2.5, SURFACE_VERTICAL},
                             {-2.5, 0.3, NO_RETURN},
                             {2.5, 0.3, SURFACE_VERTICAL},
                             {2.5, 2.5, 0}};
  ScanStore store = profileScan(5, 361, [&](int32_t) { return wallsOnly; });
  ASSERT_EQ(classifySurfaces(store, acrossCalib(), {}), 1);
  expectClasses(store, 2, wallsOnly);
  for (const KerbFoot& foot : *store.kerbFeet) EXPECT_FALSE(foot.found);
}

// A driveway 5 m long drops the left kerb: the ground there rises gently from the road's edge.
TEST(SurfaceProfiles, ADrivewaySplitsTheKerbLineAndBoundsTheCarriageway) {
  const int32_t lines = 160, first = 60, last = 99;
  const Profile kerbed = street(0.15);
  const Profile driveway = street(
      0.15, {}, {{3.5, 0, SURFACE_GROUND}, {5, 0.15, SURFACE_GROUND}, {6, 0.15, SURFACE_VERTICAL}});
  auto profileOf = [&](int32_t l) { return l >= first && l <= last ? driveway : kerbed; };
  ScanStore store = profileScan(lines, 361, profileOf);
  ASSERT_EQ(classifySurfaces(store, acrossCalib(), {}), 1);
  for (int32_t l = 0; l < lines; ++l) {
    expectClasses(store, l, profileOf(l));
    EXPECT_TRUE((*store.kerbFeet)[2 * l].found) << l;
    EXPECT_EQ((*store.kerbFeet)[2 * l + 1].found, l < first || l > last) << l;
  }
  const std::vector<KerbLine> kerbs = buildKerbLines(*store.kerbFeet);
  ASSERT_EQ(kerbs.size(), 3u);
  EXPECT_EQ(kerbs[0].side, 0);
  EXPECT_EQ(kerbs[0].vertices.size(), size_t(lines));
  EXPECT_EQ(kerbs[1].lines.back(), first - 1);
  EXPECT_EQ(kerbs[2].lines.front(), last + 1);
  EXPECT_NEAR(kerbs[2].meanHeight, 0.15, 0.002);
  EXPECT_NEAR(kerbs[2].vertices.front()[0], (last + 1) * LINE_SPACING, 1e-9);
}

// Short simulated drives against the truth, and the same results on one thread and two.
TEST(SurfaceTruth, SimulatedStreetAndHillsMeetTheTargets) {
  for (const char* scene : {"street", "hills"}) {
    for (const double setup : {1.0, 0.5, 0.25}) {
      SCOPED_TRACE(std::string(scene) + " " + std::to_string(setup));
      test::SimulatedScan scan;
      test::loadSimulatedScan({scene, 1200, setup, 5}, scan);
      ASSERT_EQ(classifySurfaces(scan.store, scan.calib, ParallelOptions{1}), 1);
      const test::SurfaceTruthMeasure m =
          test::measureSurfaceTruth(scan.store, scan.calib, scan.project);
      EXPECT_GE(m.precision(), 0.98);
      EXPECT_GE(m.recall(), 0.98);
      if (m.kerbTruthLength > 0) {
        EXPECT_LE(m.kerbRms(), 0.05);
        EXPECT_GE(m.kerbFraction(), 0.95);
      }
      test::SimulatedScan again;
      test::loadSimulatedScan({scene, 1200, setup, 5}, again);
      ASSERT_EQ(classifySurfaces(again.store, again.calib, ParallelOptions{2}), 1);
      EXPECT_EQ(*again.store.surfaceClassMap, *scan.store.surfaceClassMap);
      for (size_t i = 0; i < again.store.kerbFeet->size(); ++i) {
        EXPECT_EQ((*again.store.kerbFeet)[i].foot, (*scan.store.kerbFeet)[i].foot);
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
