#include "pipeline/run_steps.h"

#include "pipeline/report.h"

namespace quorvel {

namespace {

// createVarianceMap, as the VarianceMap and NormalMap commands run it before their pictures.
bool estimateSurface(const ProjectRecords& project, StageTimer& timer, std::ostream& err) {
  if (timer.time("createVarianceMap", [&] { return runSurfaceEstimation(project); })) return true;
  reportFailure(err, "Estimate surface variance and normal failure.", "Error", "not enough memory");
  return false;
}

}  // namespace

bool runLineStages(const ProjectRecords& project, const RunOptions& options, StageTimer& timer,
                   std::ostream& err) {
  const StageNeeds needs = runNeeds(options);
  if (needs.surface && !estimateSurface(project, timer, err)) return false;
  if (needs.lines && !timer.time("LineSegger", [&] { return runLineSegmentation(project); })) {
    return false;
  }
  return !needs.classes ||
         timer.time("classifySurfaces", [&] { return runSurfaceClassification(project); });
}

bool runRegionStage(const ProjectRecords& project, const RunOptions& options, StageTimer& timer) {
  return !runNeeds(options).regions ||
         timer.time("USFsegger", [&] { return runRegionSegmentation(project); });
}

bool writeOutputReported(const ProjectRecords& project, const std::string& name,
                         const OutputRequest& request, StageTimer& timer, std::ostream& out,
                         std::ostream& err, WrittenOutput* kept) {
  WrittenOutput written;
  FailureMessage failure;
  if (!writeOutput(project, name, request, timer, written, failure)) {
    reportFailure(err, failure);
    return false;
  }
  for (const std::string& file : written.files) out << "Wrote " << file << "\n";
  for (const std::string& note : written.notes) out << "Note: " << note << "\n";
  if (kept) {
    kept->files.insert(kept->files.end(), written.files.begin(), written.files.end());
    kept->rasters.merge(written.rasters);
    kept->notes.insert(kept->notes.end(), written.notes.begin(), written.notes.end());
  }
  return true;
}

}  // namespace quorvel
