#include "cli/run_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "cli/export_outputs.h"
#include "cli/name_list.h"
#include "cli/report.h"
#include "cli/result_dump.h"
#include "cli/stage_timer.h"
#include "features/segment_params.h"
#include "features/variance_map.h"
#include "platform/headless/picture_png.h"
#include "render/contour_picture.h"
#include "render/normal_picture.h"
#include "render/range_picture.h"
#include "render/segment_picture.h"
#include "render/variance_picture.h"
#include "scan/parallel_for.h"
#include "segment/line_segger.h"
#include "segment/region_segmentation.h"

namespace quorvel::cli {

namespace {

const std::vector<std::string> KNOWN_IMAGES = {"range", "variance", "normal", "contour", "segment"};

bool parseInt(std::string_view text, int32_t& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

int buildPicture(const std::string& name) {
  if (name == "range") return Range2MeshBmp();
  if (name == "variance") return Variance2MeshBmp();
  if (name == "normal") return Normal2MeshBmp();
  if (name == "segment") return Segment2MeshBmp();
  return Contour2MeshBmp();
}

bool wanted(const std::vector<std::string>& images, const char* name) {
  return std::find(images.begin(), images.end(), name) != images.end();
}

// createVarianceMap, as the VarianceMap and NormalMap commands run it before their pictures.
bool estimateSurface(StageTimer& timer, std::ostream& err) {
  if (timer.time("createVarianceMap", [] { return createVarianceMap(); })) return true;
  reportFailure(err, "Estimate surface variance and normal failure.", "Error", "not enough memory");
  return false;
}

// Runs the stages the outputs need, in the window's order; a failed stage has reported.
bool runStages(const RunOptions& options, StageTimer& timer, std::ostream& err) {
  const bool surface = options.dump || wanted(options.images, "variance") ||
                       wanted(options.images, "normal") || exportNeedsSurface(options.exports);
  if (surface && !estimateSurface(timer, err)) return false;
  if (options.dump || wanted(options.images, "segment") ||
      exportNeedsSegmentation(options.exports)) {
    if (!timer.time("LineSegger", [] { return LineSegger(); })) return false;
  }
  const bool regions = options.dump || exportNeedsRegions(options.exports);
  return !regions || timer.time("USFsegger", [] { return USFsegger(); });
}

bool writeDump(const std::string& outDir, StageTimer& timer, std::ostream& out, std::ostream& err) {
  std::vector<std::string> written;
  const Status status =
      timer.time("dump", [&] { return writeResultDump(scanStore, outDir, written); });
  if (!status.ok()) {
    reportFailure(err, "Dump output failure.", status.file.empty() ? outDir : status.file,
                  status.reason);
    return false;
  }
  for (const std::string& path : written) out << "Wrote " << path << "\n";
  return true;
}

// Builds and writes one picture; reports a failure as the window's commands would.
bool writePicture(const std::string& name, const std::string& outDir, StageTimer& timer,
                  std::ostream& out, std::ostream& err) {
  if (!timer.time(name, [&] { return buildPicture(name); })) {
    reportFailure(err, "Generate " + name + " image failure.", "Error", "no scan line loaded");
    return false;
  }
  const std::string path = outDir + "/" + name + ".png";
  const Status written = timer.time("png", [&] { return writePicturePng(bitmapTileStore, path); });
  if (!written.ok()) {
    reportFailure(err, "Picture output failure.", path, written.reason);
    return false;
  }
  out << "Wrote " << path << "\n";
  return true;
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

int runPipeline(const RunOptions& options, std::ostream& out, std::ostream& err) {
  std::error_code error;
  std::filesystem::create_directories(options.outDir, error);
  if (error) {
    reportFailure(err, "Output folder failure.", options.outDir, error.message());
    return EXIT_FAILURE_REPORTED;
  }
  parallelOptions.threads = options.threads;
  resetSegmentParams();
  if (options.mask) maskRange = *options.mask;
  renderParams.inverse = options.inverse ? 1 : 0;
  StageTimer timer(err, options.timings);
  if (!timer.time("load", [&] { return loadProjectOrReport(options.project, err); })) {
    return EXIT_FAILURE_REPORTED;
  }
  if (!runStages(options, timer, err)) return EXIT_FAILURE_REPORTED;
  // Every output is tried: one that fails does not keep the others from being written.
  bool allWritten = true;
  for (const std::string& name : options.images) {
    allWritten &= writePicture(name, options.outDir, timer, out, err);
  }
  if (options.dump) allWritten &= writeDump(options.outDir, timer, out, err);
  const ExportTarget target{options.outDir, options.mapTemplate,
                            std::filesystem::path(options.project).filename().string(),
                            options.epsg};
  for (const std::string& name : options.exports) {
    allWritten &= timer.time(name, [&] { return writeExport(name, target, out, err); });
  }
  return allWritten ? EXIT_OK : EXIT_FAILURE_REPORTED;
}

}  // namespace quorvel::cli
