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

}  // namespace quorvel::test
