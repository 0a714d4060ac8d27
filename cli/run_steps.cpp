#include "cli/run_steps.h"

#include <algorithm>
#include <vector>

#include "cli/export_outputs.h"
#include "cli/report.h"
#include "cli/result_dump.h"
#include "features/variance_map.h"
#include "render/contour_picture.h"
#include "render/normal_picture.h"
#include "render/range_picture.h"
#include "render/segment_picture.h"
#include "render/variance_picture.h"
#include "scan/scan_store.h"
#include "segment/line_segger.h"
#include "segment/region_segmentation.h"

namespace quorvel::cli {

namespace {

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

}  // namespace

bool runLineStages(const RunOptions& options, StageTimer& timer, std::ostream& err) {
  const bool surface = options.dump || wanted(options.images, "variance") ||
                       wanted(options.images, "normal") || exportNeedsSurface(options.exports);
  if (surface && !estimateSurface(timer, err)) return false;
  const bool lines =
      options.dump || wanted(options.images, "segment") || exportNeedsSegmentation(options.exports);
  return !lines || timer.time("LineSegger", [] { return LineSegger(); });
}

bool runRegionStage(const RunOptions& options, StageTimer& timer) {
  const bool regions = options.dump || exportNeedsRegions(options.exports);
  return !regions || timer.time("USFsegger", [] { return USFsegger(); });
}

bool writePicture(const std::string& name, const std::string& outDir,
                  std::optional<PictureColumns> columns, StageTimer& timer, std::ostream& out,
                  std::ostream& err) {
  if (!timer.time(name, [&] { return buildPicture(name); })) {
    reportFailure(err, "Generate " + name + " image failure.", "Error", "no scan line loaded");
    return false;
  }
  const std::string path = outDir + "/" + name + ".png";
  const Status written =
      timer.time("png", [&] { return writePicturePng(bitmapTileStore, path, columns); });
  if (!written.ok()) {
    reportFailure(err, "Picture output failure.", path, written.reason);
    return false;
  }
  out << "Wrote " << path << "\n";
  return true;
}

bool writeDump(const std::string& outDir, int32_t firstLine, StageTimer& timer, std::ostream& out,
               std::ostream& err) {
  std::vector<std::string> written;
  const Status status =
      timer.time("dump", [&] { return writeResultDump(scanStore, outDir, firstLine, written); });
  if (!status.ok()) {
    reportFailure(err, "Dump output failure.", status.file.empty() ? outDir : status.file,
                  status.reason);
    return false;
  }
  for (const std::string& path : written) out << "Wrote " << path << "\n";
  return true;
}

}  // namespace quorvel::cli
