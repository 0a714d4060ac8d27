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

}  // namespace quorvel::test
