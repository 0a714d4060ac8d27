#include "cli/export_outputs.h"

#include <algorithm>

#include "cli/name_list.h"
#include "cli/report.h"
#include "export/map_geotiff.h"

namespace quorvel::cli {

namespace {

const std::vector<std::string> MENU_EXPORTS = {"pt3d-normal", "pt3d-class", "count-map",
                                               "road-height", "road-ds",    "nonroad-ds"};

bool contains(const std::vector<std::string>& names, const char* name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The file an export is asked to write in the output folder (the chosen map header for the map
// exports).
std::string exportFile(const std::string& name) {
  if (name == "pt3d-normal") return "normal.pt3d";
  if (name == "pt3d-class") return "class.pt3d";
  if (name == "road-ds") return "road.ds";
  if (name == "nonroad-ds") return "nonroad.ds";
  if (name == "ply") return "points.ply";
  if (name == "las") return "points.las";
  return "map.master";
}

}  // namespace

Status parseExportList(const std::string& list, std::vector<std::string>& exports) {
  if (list == "all") {
    exports = MENU_EXPORTS;
    return {};
  }
  return parseNameList(list, exportNames(), "unknown export", exports);
}

Status checkEpsgOption(std::optional<int32_t> epsg, const std::vector<std::string>& exports) {
  if (!epsg) return {};
  if (!contains(exports, "geotiff")) return fault("--epsg without --export geotiff");
  if (*epsg < MIN_EPSG_CODE || *epsg > MAX_EPSG_CODE) {
    return fault("bad EPSG code", std::to_string(*epsg),
                 std::to_string(MIN_EPSG_CODE) + " ... " + std::to_string(MAX_EPSG_CODE));
  }
  return {};
}

bool exportsNeedSurface(const std::vector<std::string>& exports) {
  return std::any_of(exports.begin(), exports.end(), exportNeedsSurface);
}

bool exportsNeedSegmentation(const std::vector<std::string>& exports) {
  return std::any_of(exports.begin(), exports.end(), exportNeedsSegmentation);
}

bool exportsNeedRegions(const std::vector<std::string>& exports) {
  return std::any_of(exports.begin(), exports.end(), exportNeedsRegions);
}

bool writeExport(const ProjectRecords& project, const std::string& name, const ExportTarget& target,
                 std::ostream& out, std::ostream& err, PlacedRasters* placed) {
  ExportRequest request{target.outDir + "/" + exportFile(name),
                        target.mapTemplate,
                        target.projectName,
                        target.epsg,
                        target.firstLine,
                        target.mapCoverage};
  std::vector<std::string> written;
  const Status status = exportByName(project, name, request, placed, &written);
  if (!status.ok()) {
    const std::string& caption = status.file.empty() ? target.outDir : status.file;
    reportFailure(err, "Export " + name + " failure.", caption, status.reason);
    return false;
  }
  for (const std::string& file : written) out << "Wrote " << file << "\n";
  return true;
}

}  // namespace quorvel::cli
