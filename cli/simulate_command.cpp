#include "cli/simulate_command.h"

#include "pipeline/report.h"

namespace quorvel::cli {

int runSimulate(const SimulationOptions& options, const std::string& outDir, std::ostream& out,
                std::ostream& err) {
  SimulatedProject project;
  Status status = simulateProject(options, project);
  if (status.ok()) status = writeSimulatedProject(project, outDir);
  if (!status.ok()) {
    reportFailure(err, "Simulation failure.", outDir, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  out << "Wrote " << outDir
      << "/sim.mdl, sim.cal, sim.ds, truth.npy and truth-kerbs.npy: " << project.lines
      << " scan lines of " << project.pointsPerLine << " samples (scene " << options.scene
      << ", seed " << options.seed << ")\n";
  return EXIT_OK;
}

}  // namespace quorvel::cli
