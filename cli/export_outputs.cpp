#include "cli/export_outputs.h"

#include <algorithm>

#include "cli/name_list.h"
#include "cli/report.h"
#include "export/count_map_export.h"
#include "export/ds_export.h"
#include "export/pt3d_export.h"
#include "export/road_height_export.h"

namespace quorvel::cli {

namespace {

const std::vector<std::string> KNOWN_EXPORTS = {"pt3d-normal", "pt3d-class", "count-map",
                                                "road-height", "road-ds",    "nonroad-ds"};

bool contains(const std::vector<std::string>& names, const char* name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The files an export writes, relative to the output folder.
std::vector<std::string> exportFiles(const std::string& name) {
  if (name == "pt3d-normal") return {"normal.pt3d"};
  if (name == "pt3d-class") return {"class.pt3d"};
  if (name == "count-map") return {"map-h.master", "map-h.raw"};
  if (name == "road-height") return {"map-r.master", "map-r.raw"};
  if (name == "road-ds") return {"road.ds"};
  return {"nonroad.ds"};
}

Status runExport(const std::string& name, const std::string& outDir,
                 const std::optional<std::string>& mapTemplate) {
  const ExportSources sources = processExportSources();
  const std::string mapPath = outDir + "/map.master";
  const std::string templatePath = mapTemplate.value_or(mapPath);
  if (name == "pt3d-normal") return exportPt3dByNormal(sources, outDir + "/normal.pt3d");
  if (name == "pt3d-class") return exportPt3dByClass(sources, outDir + "/class.pt3d");
  if (name == "count-map") return exportCountMap(sources, mapPath, templatePath);
  if (name == "road-height") return exportRoadHeightMap(sources, mapPath, templatePath);
  if (name == "road-ds") return exportSelectedDs(sources, outDir + "/road.ds", RoadSelection::Road);
  return exportSelectedDs(sources, outDir + "/nonroad.ds", RoadSelection::NonRoad);
}

}  // namespace

Status parseExportList(const std::string& list, std::vector<std::string>& exports) {
  return parseNameList(list, KNOWN_EXPORTS, "unknown export", exports);
}

bool exportNeedsSurface(const std::vector<std::string>& exports) {
  return contains(exports, "pt3d-normal") || contains(exports, "pt3d-class");
}

bool exportNeedsSegmentation(const std::vector<std::string>& exports) {
  return std::any_of(exports.begin(), exports.end(),
                     [](const std::string& name) { return name != "pt3d-normal"; });
}

bool writeExport(const std::string& name, const std::string& outDir,
                 const std::optional<std::string>& mapTemplate, std::ostream& out,
                 std::ostream& err) {
  const Status status = runExport(name, outDir, mapTemplate);
  if (!status.ok()) {
    reportFailure(err, "Export " + name + " failure.", outDir, status.reason);
    return false;
  }
  for (const std::string& file : exportFiles(name)) {
    out << "Wrote " << outDir << "/" << file << "\n";
  }
  return true;
}

}  // namespace quorvel::cli
