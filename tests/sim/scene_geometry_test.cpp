// The simulated projects seen through the project's own reader: the world points it
// reconstructs must lie on the surfaces the scene defines.
#include <gtest/gtest.h>

#include <cmath>

#include "scan/calib_file.h"
#include "scan/ds_file.h"
#include "scan/point_reconstruction.h"
#include "sim/hills_scene.h"
#include "sim/simulated_drive.h"
#include "sim/simulator.h"
#include "sim/street_scene.h"

namespace quorvel::sim {
namespace {

constexpr uint64_t SEED = 9;

// A simulated project loaded as the reader loads it, with the drive that produced it.
struct LoadedSimulation {
  SimulatedProject project;
  ScanStore store;
  SensorCalib calib;
  SimulatedDrive drive;
};

LoadedSimulation loadSimulation(const std::string& scene, int lines, double resolution) {
  SimulationOptions options;
  options.scene = scene;
  options.lines = lines;
  options.resolution = resolution;
  options.seed = SEED;
  LoadedSimulation loaded;
  EXPECT_TRUE(simulateProject(options, loaded.project).ok());
  const std::string& calibText = loaded.project.calibText;
  EXPECT_TRUE(
      parseCalibFile({reinterpret_cast<const unsigned char*>(calibText.data()), calibText.size()},
                     loaded.calib)
          .ok());
  DsContents contents;
  EXPECT_TRUE(parseDsFile(loaded.project.dsBytes, contents).ok());
  installDsContents(loaded.store, std::move(contents));
  loaded.drive = planDrive(scene, SEED, lines + SKIPPED_LEADING_LINES, SKIPPED_LEADING_LINES);
  return loaded;
}

SurfaceClass truthOf(const LoadedSimulation& loaded, int line, int sample) {
  const size_t index = static_cast<size_t>(line) * loaded.project.pointsPerLine + sample;
  return static_cast<SurfaceClass>(loaded.project.truth[index]);
}

// Street-frame points (x, v, w) of the samples of one class that the reader reconstructs.
std::vector<Vec3> streetPointsOf(const LoadedSimulation& loaded, SurfaceClass surface) {
  std::vector<Vec3> points;
  for (int l = 0; l < loaded.project.lines; ++l) {
    const TrackPose& pose = loaded.drive.track[static_cast<size_t>(l + SKIPPED_LEADING_LINES)];
    for (int s = 0; s < loaded.project.pointsPerLine; ++s) {
      Vec3 world;
      if (truthOf(loaded, l, s) != surface) continue;
      if (SampleToWorldPoint(loaded.store, loaded.calib, l, s, world)) {
        points.push_back(toStreetPoint(pose.street, world));
      }
    }
  }
  return points;
}

struct Residuals {
  double mean = 0, rms = 0, largest = 0;
};

template <typename Height>
Residuals heightResiduals(const std::vector<Vec3>& points, Height expectedHeight) {
  Residuals r;
  for (const Vec3& p : points) {
    const double residual = p[2] - expectedHeight(p);
    r.mean += residual;
    r.rms += residual * residual;
    r.largest = std::max(r.largest, std::abs(residual));
  }
  r.mean /= points.size();
  r.rms = std::sqrt(r.rms / points.size());
  return r;
}

// Range noise of 1.5 cm and the 1 cm raw unit; a wrong rotation chain is off by decimetres.
void expectOnTheSurface(const Residuals& r) {
  EXPECT_LT(std::abs(r.mean), 0.005);
  EXPECT_LT(r.rms, 0.025);
  EXPECT_LT(r.largest, 0.1);
}

class StreetRoad : public ::testing::TestWithParam<double> {};

TEST_P(StreetRoad, RoadPointsLieOnTheCrown) {
  const LoadedSimulation loaded = loadSimulation("street", 120, GetParam());
  const std::vector<Vec3> road = streetPointsOf(loaded, SurfaceClass::Road);
  ASSERT_GT(road.size(), 1000u);
  for (const Vec3& p : road) ASSERT_LE(std::abs(p[1]), CARRIAGEWAY_HALF_WIDTH + 0.05);
  // On the flat street the world height itself: the datum plus the crown.
  expectOnTheSurface(
      heightResiduals(road, [](const Vec3& p) { return -STREET_CROWN_SLOPE * std::abs(p[1]); }));
}

INSTANTIATE_TEST_SUITE_P(SimGeometry, StreetRoad, ::testing::Values(1.0, 0.5, 0.25));

TEST(SimGeometry, HillsRoadFollowsTheGradeWithAOneSidedSlope) {
  const LoadedSimulation loaded = loadSimulation("hills", 150, 0.5);
  const std::vector<Vec3> road = streetPointsOf(loaded, SurfaceClass::Road);
  ASSERT_GT(road.size(), 1000u);
  for (const Vec3& p : road) ASSERT_LE(std::abs(p[1]), HILLS_LANE_HALF_WIDTH + 0.05);
  // Each cross-section slopes one way; take the nearer of the two.
  expectOnTheSurface(heightResiduals(road, [](const Vec3& p) {
    const double up = HILLS_CROSS_SLOPE * p[1];
    return std::abs(p[2] - up) < std::abs(p[2] + up) ? up : -up;
  }));
}

TEST(SimGeometry, StreetFacadesStandAtTheBuildingLine) {
  const LoadedSimulation loaded = loadSimulation("street", 120, 0.5);
  int onFacades = 0;
  for (const Vec3& p : streetPointsOf(loaded, SurfaceClass::Vertical)) {
    ASSERT_GE(std::abs(p[1]), CARRIAGEWAY_HALF_WIDTH - 0.1);  // nothing upright on the road
    if (p[2] > 2.0 && std::abs(p[1]) > FACADE_OFFSET - 0.1) {
      EXPECT_LT(std::abs(p[1]), FACADE_OFFSET + 0.5);  // the facade or a recessed window
      ++onFacades;
    }
  }
  EXPECT_GT(onFacades, 500);
}

TEST(SimGeometry, NoReturnExactlyWhereTheTruthSaysSo) {
  const LoadedSimulation loaded = loadSimulation("hills", 40, 1.0);
  for (int l = 0; l < loaded.project.lines; ++l) {
    for (int s = 0; s < loaded.project.pointsPerLine; ++s) {
      const bool noReturn = (*loaded.store.lines)[static_cast<size_t>(l)].range[s] == 0;
      ASSERT_EQ(noReturn, truthOf(loaded, l, s) == SurfaceClass::None) << l << " " << s;
    }
  }
}

}  // namespace
}  // namespace quorvel::sim
