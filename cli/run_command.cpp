#include "cli/run_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <future>

#include "cli/export_outputs.h"
#include "cli/name_list.h"
#include "cli/report.h"
#include "cli/run_steps.h"
#include "cli/stage_timer.h"
#include "features/segment_params.h"
#include "scan/parallel_for.h"
#include "scan/pose_glitches.h"

namespace quorvel::cli {

namespace {

const std::vector<std::string> KNOWN_IMAGES = {"range", "variance", "normal", "contour", "segment"};

bool parseInt(std::string_view text, int32_t& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

// The point and DS exports: no region segmentation, no map strip buffers.
bool runsBesideRegions(const std::string& exportName) {
  return !exportNeedsRegions(exportName) && exportName != "count-map" &&
         exportName != "road-height" && exportName != "geotiff";
}

}  // namespace

Status parseImageList(const std::string& list, std::vector<std::string>& images) {
  return parseNameList(list, KNOWN_IMAGES, "unknown picture", images);
}

Status parseMaskRange(const std::string& text, MaskRange& mask) {
  const size_t colon = text.find(':');
  MaskRange parsed;
  if (colon == std::string::npos ||
      !parseInt(std::string_view(text).substr(0, colon), parsed.stno) ||
      !parseInt(std::string_view(text).substr(colon + 1), parsed.edno)) {
    return fault("bad mask range", "'" + text + "'", "STNO:EDNO with two integers");
  }
  mask = parsed;
  return {};
}

void applyRunOptions(const RunOptions& options, const ProjectRecords& project) {
  project.parallel.threads = options.threads;
  resetSegmentParams(project.segment);
  project.mask = options.mask.value_or(MaskRange{});
  project.render.inverse = options.inverse ? 1 : 0;
}

void applyPoseOptions(const RunOptions& options, const ProjectRecords& project,
                      const std::string& caption, std::ostream& err,
                      std::optional<LineWindow> reported) {
  if (options.dropPoseGlitches) dropPoseGlitches(project.store);
  const PoseFaults& faults = project.store.poseFaults;
  warnPoseFaults(
      err, caption,
      reported ? faultsWithin(faults, reported->first, reported->first + reported->count) : faults,
      options.dropPoseGlitches);
}

int runPipeline(const RunOptions& options, std::ostream& out, std::ostream& err) {
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
  applyPoseOptions(options, project, options.project, err);
  if (!runLineStages(project, options, timer, err)) return EXIT_FAILURE_REPORTED;
  // Every output is tried: one that fails does not keep the others from being written.
  bool allWritten = true;
  const ExportTarget target{options.outDir, options.mapTemplate,
                            std::filesystem::path(options.project).filename().string(),
                            options.epsg};
  const auto writeExports = [&](bool besideRegions) {
    bool written = true;
    for (const std::string& name : options.exports) {
      if (runsBesideRegions(name) != besideRegions) continue;
      written &= timer.time(name, [&] { return writeExport(project, name, target, out, err); });
    }
    return written;
  };
  // The outputs that neither read the region segmentation nor need much memory of their own are
  // written on a second thread while it runs; it only reads what they read and writes its own
  // results.
  std::future<bool> beside = std::async(std::launch::async, [&] {
    const bool dumped =
        !options.dump || writeDump(project, options.outDir, 0, DumpPart::Surface, timer, out, err);
    return writeExports(true) && dumped;
  });
  const bool segmented = runRegionStage(project, options, timer);
  allWritten &= beside.get();
  if (!segmented) return EXIT_FAILURE_REPORTED;
  for (const std::string& name : options.images) {
    allWritten &= writePicture(project, name, options.outDir, std::nullopt, timer, out, err);
  }
  if (options.dump) {
    allWritten &= writeDump(project, options.outDir, 0, DumpPart::Segmentation, timer, out, err);
  }
  allWritten &= writeExports(false);
  return allWritten ? EXIT_OK : EXIT_FAILURE_REPORTED;
}

}  // namespace quorvel::cli
