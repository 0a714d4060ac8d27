#include "bench/bench_scan.h"

#include <cstdlib>
#include <iostream>

#include "scan/ds_file.h"
#include "sim/simulator.h"

namespace quorvel::bench {

namespace {

BenchScan makeBenchScan() {
  SimulationOptions options;
  options.lines = BENCH_LINES;
  options.resolution = 0.5;
  options.seed = 2026;
  SimulatedProject project;
  BenchScan scan;
  DsContents contents;
  if (!simulateProject(options, project).ok() ||
      !parseCalibFile(
           std::vector<unsigned char>(project.calibText.begin(), project.calibText.end()),
           scan.calib)
           .ok() ||
      !parseDsFile(project.dsBytes, contents).ok()) {
    std::cerr << "cannot simulate the benchmark scan\n";
    std::exit(1);
  }
  installDsContents(scan.store, std::move(contents));
  return scan;
}

}  // namespace

const BenchScan& benchScan() {
  static const BenchScan scan = makeBenchScan();
  return scan;
}

}  // namespace quorvel::bench
