#include "pipeline/run_options.h"

#include "features/segment_params.h"
#include "scan/pose_glitches.h"

namespace quorvel {

namespace {

void addNeeds(StageNeeds& needs, const std::string& name) {
  const StageNeeds more = outputNeeds(name);
  needs.surface |= more.surface;
  needs.lines |= more.lines;
  needs.regions |= more.regions;
  needs.classes |= more.classes;
}

}  // namespace

void applyRunOptions(const RunOptions& options, const ProjectRecords& project) {
  project.parallel.threads = options.threads;
  resetSegmentParams(project.segment);
  project.mask = options.mask.value_or(MaskRange{});
  project.render.inverse = options.inverse ? 1 : 0;
}

const PoseFaults& applyPoseOptions(const RunOptions& options, const ProjectRecords& project) {
  if (options.dropPoseGlitches) dropPoseGlitches(project.store);
  return project.store.poseFaults;
}

StageNeeds runNeeds(const RunOptions& options) {
  StageNeeds needs;
  for (const std::string& name : options.images) addNeeds(needs, name);
  for (const std::string& name : options.exports) addNeeds(needs, name);
  if (options.dump) {
    for (const std::string& name : outputNames(OutputKind::Dump)) addNeeds(needs, name);
  }
  return needs;
}

}  // namespace quorvel
