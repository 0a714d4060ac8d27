// The scene simulator behind `quorvel simulate`: a vehicle with a line-scanning laser range
// finder drives through a synthetic street or hill road, and the simulator writes the project
// it would have recorded (MDL, calibration and DS files) with the true class of every sample.
// The same options give the same bytes on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scan/status.h"

namespace quorvel {

inline constexpr int MAX_SIMULATED_LINES = 1000000;

struct SimulationOptions {
  std::string scene = "street";  // "street", "hills", "hills-cut" or "hills-fill"
  int lines = 1000;              // loaded scan lines N; the DS file holds N + 200 records
  double resolution = 0.5;       // degrees: 1.0, 0.5 or 0.25, which picks the set-up
  uint64_t seed = 1;             // lays out the scene, the drive and the noise
};

struct SimulatedProject {
  std::string mdlText;                 // sim.mdl
  std::string calibText;               // sim.cal
  std::vector<unsigned char> dsBytes;  // sim.ds
  // lines x pointsPerLine, line-major: 0 none, 1 carriageway, 2 vertical structure, 3 other,
  // 4 kerb face, 5 footway, 6 other ground (sim::SurfaceClass)
  std::vector<uint8_t> truth;
  // lines x 2 sides (right, left) x 4: x, y, z of the kerb foot where the line's plane crosses
  // the kerb nearest to the scanner on that side (world metres) and the kerb height; NaN for
  // no kerb on that side
  std::vector<double> kerbTruth;
  int lines = 0;          // loaded scan lines
  int pointsPerLine = 0;  // samples per line of the set-up
};

// Fails for an unknown scene, a line count outside 1 to MAX_SIMULATED_LINES or a resolution
// other than 1.0, 0.5 and 0.25.
Status checkSimulationOptions(const SimulationOptions& options);

// Simulates the whole project in memory; fails on bad options or when memory runs out.
Status simulateProject(const SimulationOptions& options, SimulatedProject& project);

// Writes sim.mdl, sim.cal, sim.ds, truth.npy and truth-kerbs.npy into outDir, creating it when
// missing.
Status writeSimulatedProject(const SimulatedProject& project, const std::string& outDir);

}  // namespace quorvel
