#include "cli/run_steps.h"

#include <algorithm>
#include <vector>

#include "cli/export_outputs.h"
#include "cli/report.h"
#include "cli/result_dump.h"

namespace quorvel::cli {

namespace {

bool wanted(const std::vector<std::string>& images, const char* name) {
  return std::find(images.begin(), images.end(), name) != images.end();
}

// createVarianceMap, as the VarianceMap and NormalMap commands run it before their pictures.
bool estimateSurface(const ProjectRecords& project, StageTimer& timer, std::ostream& err) {
  if (timer.time("createVarianceMap", [&] { return runSurfaceEstimation(project); })) return true;
  reportFailure(err, "Estimate surface variance and normal failure.", "Error", "not enough memory");
  return false;
}

const char* const DUMP_STAGES[] = {"dump", "dump surface", "dump segmentation"};

}  // namespace

bool runLineStages(const ProjectRecords& project, const RunOptions& options, StageTimer& timer,
                   std::ostream& err) {
  const bool surface = options.dump || wanted(options.images, "variance") ||
                       wanted(options.images, "normal") || exportsNeedSurface(options.exports);
  if (surface && !estimateSurface(project, timer, err)) return false;
  const bool lines =
      options.dump || wanted(options.images, "segment") || exportsNeedSegmentation(options.exports);
  return !lines || timer.time("LineSegger", [&] { return runLineSegmentation(project); });
}

bool runRegionStage(const ProjectRecords& project, const RunOptions& options, StageTimer& timer) {
  const bool regions = options.dump || exportsNeedRegions(options.exports);
  return !regions || timer.time("USFsegger", [&] { return runRegionSegmentation(project); });
}

bool writePicture(const ProjectRecords& project, const std::string& name, const std::string& outDir,
                  std::optional<PictureColumns> columns, StageTimer& timer, std::ostream& out,
                  std::ostream& err) {
  if (!timer.time(name, [&] { return buildPicture(project, name); })) {
    reportFailure(err, "Generate " + name + " image failure.", "Error", "no scan line loaded");
    return false;
  }
  const std::string path = outDir + "/" + name + ".png";
  const Status written =
      timer.time("png", [&] { return writePicturePng(project.tiles, path, columns); });
  freeBitmapTiles(project.tiles);  // written: its memory is for the next stage
  if (!written.ok()) {
    reportFailure(err, "Picture output failure.", path, written.reason);
    return false;
  }
  out << "Wrote " << path << "\n";
  return true;
}

bool writeDump(const ProjectRecords& project, const std::string& outDir, int32_t firstLine,
               DumpPart part, StageTimer& timer, std::ostream& out, std::ostream& err) {
  std::vector<std::string> written;
  const ScanStore& store = project.store;
  const Status status = timer.time(DUMP_STAGES[static_cast<int>(part)], [&] {
    if (part == DumpPart::Surface) return writeSurfaceDump(store, outDir, written);
    if (part == DumpPart::Segmentation) {
      return writeSegmentationDump(store, outDir, firstLine, written);
    }
    return writeResultDump(store, outDir, firstLine, written);
  });
  if (!status.ok()) {
    reportFailure(err, "Dump output failure.", status.file.empty() ? outDir : status.file,
                  status.reason);
    return false;
  }
  for (const std::string& path : written) out << "Wrote " << path << "\n";
  return true;
}

}  // namespace quorvel::cli
