// Simulated scans loaded straight into a store and calibration, without files.
#pragma once

#include <string>

#include "scan/calib_file.h"
#include "scan/scan_store.h"
#include "sim/simulator.h"

namespace quorvel::test {

struct SimulatedScan {
  ScanStore store;
  SensorCalib calib;
  SimulatedProject project;  // the files and the truth
};

// Simulates and loads a scan; fails the running test when anything goes wrong.
void loadSimulatedScan(const SimulationOptions& options, SimulatedScan& scan);

// Writes a simulated street of that many lines at the 1.0-degree set-up into dir; its MDL path,
// empty (and the running test failed) when anything goes wrong.
std::string simulatedProjectFiles(const std::string& dir, int lines, uint64_t seed = 1);

}  // namespace quorvel::test
