#include "pipeline/project_run.h"

#include <filesystem>
#include <future>

#include "pipeline/report.h"
#include "pipeline/run_steps.h"

namespace quorvel {

namespace {

// The point and DS exports: no region segmentation, no map strip buffers.
bool runsBesideRegions(const std::string& exportName) {
  return !outputNeeds(exportName).regions && exportName != "count-map" &&
         exportName != "road-height" && exportName != "geotiff";
}

}  // namespace

int runProject(const RunOptions& options, std::ostream& out, std::ostream& err) {
  std::error_code error;
  std::filesystem::create_directories(options.outDir, error);
  if (error) {
    reportFailure(err, "Output folder failure.", options.outDir, error.message());
    return EXIT_FAILURE_REPORTED;
  }
  const ProjectRecords project = processRecords();
  applyRunOptions(options, project);
  StageTimer timer(err, options.timings);
  if (!timer.time("load", [&] { return loadProjectOrReport(project, options.project, err); })) {
    return EXIT_FAILURE_REPORTED;
  }
  warnPoseFaults(err, options.project, applyPoseOptions(options, project),
                 options.dropPoseGlitches);
  if (!runLineStages(project, options, timer, err)) return EXIT_FAILURE_REPORTED;
  // Every output is tried: one that fails does not keep the others from being written.
  OutputRequest request;
  request.folder = options.outDir;
  request.mapTemplate = options.mapTemplate;
  request.projectName = std::filesystem::path(options.project).filename().string();
  request.epsg = options.epsg;
  const auto write = [&](const std::string& name) {
    return writeOutputReported(project, name, request, timer, out, err);
  };
  const auto writeExports = [&](bool besideRegions) {
    bool written = true;
    for (const std::string& name : options.exports) {
      if (runsBesideRegions(name) == besideRegions) written &= write(name);
    }
    return written;
  };
  // The outputs that neither read the region segmentation nor need much memory of their own are
  // written on a second thread while it runs; it only reads what they read and writes its own
  // results.
  std::future<bool> beside = std::async(std::launch::async, [&] {
    bool dumped = true;
    if (options.dump) {
      dumped &= write("dump-surface");  // both are tried
      dumped &= write("dump-surface-classes");
    }
    return writeExports(true) && dumped;
  });
  const bool segmented = runRegionStage(project, options, timer);
  bool allWritten = beside.get();
  if (!segmented) return EXIT_FAILURE_REPORTED;
  for (const std::string& name : options.images) allWritten &= write(name);
  if (options.dump) allWritten &= write("dump-segmentation");
  allWritten &= writeExports(false);
  return allWritten ? EXIT_OK : EXIT_FAILURE_REPORTED;
}

}  // namespace quorvel
