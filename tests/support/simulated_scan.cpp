#include "tests/support/simulated_scan.h"

#include <gtest/gtest.h>

#include "scan/ds_file.h"
#include "tests/support/test_files.h"

namespace quorvel::test {

void loadSimulatedScan(const SimulationOptions& options, SimulatedScan& scan) {
  ASSERT_TRUE(simulateProject(options, scan.project).ok());
  ASSERT_TRUE(parseCalibFile(bytesOf(scan.project.calibText), scan.calib).ok());
  DsContents contents;
  ASSERT_TRUE(parseDsFile(scan.project.dsBytes, contents).ok());
  installDsContents(scan.store, std::move(contents));
}

std::string simulatedProjectFiles(const std::string& dir, int lines, uint64_t seed) {
  SimulationOptions options;
  options.lines = lines;
  options.seed = seed;
  options.resolution = 1.0;
  SimulatedProject project;
  const bool written =
      simulateProject(options, project).ok() && writeSimulatedProject(project, dir).ok();
  EXPECT_TRUE(written) << dir;
  return written ? dir + "/sim.mdl" : "";
}

}  // namespace quorvel::test
