#include "bench/bench_scan.h"

#include <cstdlib>
#include <iostream>

#include "scan/ds_file.h"
#include "sim/simulator.h"

namespace quorvel::bench {

BenchScan simulateBenchScan(int lines) {
  SimulationOptions options;
  options.lines = lines;
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

const BenchScan& benchScan() {
  static const BenchScan scan = simulateBenchScan(BENCH_LINES);
  return scan;
}

ScanStore copyOfScan(const ScanStore& from) {
  ScanStore store;
  store.fieldOfView = from.fieldOfView;
  store.angularResolution = from.angularResolution;
  store.rangeUnit = from.rangeUnit;
  store.angularStep = from.angularStep;
  store.startAngle = from.startAngle;
  store.pointsPerLine = from.pointsPerLine;
  store.recordSize = from.recordSize;
  store.lines = from.lines;
  store.lineCount = from.lineCount;
  return store;
}

}  // namespace quorvel::bench
