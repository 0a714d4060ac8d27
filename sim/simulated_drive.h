// A simulated drive: the scene laid out from the seed, long enough for the whole track, and
// the vehicle's pose at every record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/scene.h"
#include "sim/vehicle_track.h"

namespace quorvel::sim {

struct SimulatedDrive {
  Scene scene;
  std::vector<TrackPose> track;  // one pose per record
};

bool isKnownScene(const std::string& name);  // "street", "hills", "hills-cut" or "hills-fill"

// `records` poses; the first `skippedRecords` are driven before the loaded part begins.
SimulatedDrive planDrive(const std::string& sceneName, uint64_t seed, int records,
                         int skippedRecords);

}  // namespace quorvel::sim
