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
  if (sceneName == "hills") {
    const size_t loaded = std::min(static_cast<size_t>(skippedRecords), arcLengths.size() - 1);
    return buildHillsScene(seed, x0, x1, arcLengths[loaded]);
  }
  return buildStreetScene(seed, x0, x1);
}

}  // namespace

bool isKnownScene(const std::string& name) {
  return name == "street" || name == "hills";
}

SimulatedDrive planDrive(const std::string& sceneName, uint64_t seed, int records,
                         int skippedRecords) {
  const std::vector<double> arcLengths = lineArcLengths(seed, records);
  SimulatedDrive drive{buildScene(sceneName, seed, arcLengths, skippedRecords), {}};
  drive.track = driveTrack(seed, arcLengths, drive.scene.elevation);
  return drive;
}

}  // namespace quorvel::sim
