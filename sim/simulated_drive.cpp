#include "sim/simulated_drive.h"

#include <algorithm>

#include "sim/hills_scene.h"
#include "sim/street_scene.h"

namespace quorvel::sim {

namespace {

constexpr double SCENE_MARGIN = 50.0;  // metres of scene before the start and after the end

Scene buildScene(const std::string& sceneName, uint64_t seed, const std::vector<double>& arcLengths,
                 int skippedRecords) {
  const double x0 = -SCENE_MARGIN, x1 = arcLengths.back() + SCENE_MARGIN;
  if (sceneName.starts_with("hills")) {
    const size_t loaded = std::min(static_cast<size_t>(skippedRecords), arcLengths.size() - 1);
    const HillsSides sides = sceneName == "hills-cut"    ? HillsSides::Cut
                             : sceneName == "hills-fill" ? HillsSides::Fill
                                                         : HillsSides::Mixed;
    return buildHillsScene(seed, x0, x1, arcLengths[loaded], sides);
  }
  return buildStreetScene(seed, x0, x1);
}

}  // namespace

bool isKnownScene(const std::string& name) {
  return name == "street" || name == "hills" || name == "hills-cut" || name == "hills-fill";
}

SimulatedDrive planDrive(const std::string& sceneName, uint64_t seed, int records,
                         int skippedRecords) {
  const std::vector<double> arcLengths = lineArcLengths(seed, records);
  SimulatedDrive drive{buildScene(sceneName, seed, arcLengths, skippedRecords), {}};
  drive.track = driveTrack(seed, arcLengths, drive.scene.elevation);
  return drive;
}

}  // namespace quorvel::sim
