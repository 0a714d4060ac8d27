#include "cli/export_outputs.h"

#include <algorithm>

#include "cli/name_list.h"
#include "cli/report.h"
#include "export/count_map_export.h"
#include "export/ds_export.h"
#include "export/las_export.h"
#include "export/map_geotiff.h"
#include "export/ply_export.h"
#include "export/pt3d_export.h"
#include "export/road_height_export.h"

namespace quorvel::cli {

namespace {

const std::vector<std::string> MENU_EXPORTS = {"pt3d-normal", "pt3d-class", "count-map",
                                               "road-height", "road-ds",    "nonroad-ds"};
const std::vector<std::string> KNOWN_EXPORTS = {"pt3d-normal", "pt3d-class", "count-map",
                                                "road-height", "road-ds",    "nonroad-ds",
                                                "ply",         "las",        "geotiff"};

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
  if (name == "ply") return {"points.ply"};
  if (name == "las") return {"points.las"};
  if (name == "geotiff") {
    return {"map-h.master", "map-h.raw", "map-h.tif", "map-r.master", "map-r.raw", "map-r.tif"};
  }
  return {"nonroad.ds"};
}

// Both map rasters, each followed by its GeoTIFF.
Status writeGeoTiffs(const ExportSources& sources, const ExportTarget& target,
                     const std::string& mapPath, const std::string& templatePath,
                     PlacedRasters& placed) {
  const std::string dir = target.outDir + "/";
  Status status =
      exportCountMap(sources, mapPath, templatePath, target.mapCoverage, &placed["map-h"]);
  if (status.ok()) {
    status = writeMapGeoTiff({dir + "map-h.master", dir + "map-h.raw"}, MapHeaderKind::Count,
                             dir + "map-h.tif", target.epsg);
  }
  if (status.ok()) {
    status =
        exportRoadHeightMap(sources, mapPath, templatePath, target.mapCoverage, &placed["map-r"]);
  }
  if (status.ok()) {
    status = writeMapGeoTiff({dir + "map-r.master", dir + "map-r.raw"}, MapHeaderKind::RoadHeight,
                             dir + "map-r.tif", target.epsg);
  }
  return status;
}

Status runExport(const std::string& name, const ExportTarget& target, PlacedRasters& placed) {
  ExportSources sources = processExportSources();
  sources.firstLine = target.firstLine;
  const std::string& outDir = target.outDir;
  const std::string mapPath = outDir + "/map.master";
  const std::string templatePath = target.mapTemplate.value_or(mapPath);
  if (name == "pt3d-normal") return exportPt3dByNormal(sources, outDir + "/normal.pt3d");
  if (name == "pt3d-class") return exportPt3dByClass(sources, outDir + "/class.pt3d");
  if (name == "count-map") {
    return exportCountMap(sources, mapPath, templatePath, target.mapCoverage, &placed["map-h"]);
  }
  if (name == "road-height") {
    return exportRoadHeightMap(sources, mapPath, templatePath, target.mapCoverage,
                               &placed["map-r"]);
  }
  if (name == "road-ds") return exportSelectedDs(sources, outDir + "/road.ds", RoadSelection::Road);
  if (name == "ply") return exportPly(sources, target.projectName, outDir + "/points.ply");
  if (name == "las") return exportLas(sources, outDir + "/points.las");
  if (name == "geotiff") return writeGeoTiffs(sources, target, mapPath, templatePath, placed);
  return exportSelectedDs(sources, outDir + "/nonroad.ds", RoadSelection::NonRoad);
}

}  // namespace

Status parseExportList(const std::string& list, std::vector<std::string>& exports) {
  if (list == "all") {
    exports = MENU_EXPORTS;
    return {};
  }
  return parseNameList(list, KNOWN_EXPORTS, "unknown export", exports);
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

bool exportNeedsSurface(const std::vector<std::string>& exports) {
  return contains(exports, "pt3d-normal") || contains(exports, "pt3d-class") ||
         contains(exports, "ply") || contains(exports, "las");
}

bool exportNeedsSegmentation(const std::vector<std::string>& exports) {
  return std::any_of(exports.begin(), exports.end(),
                     [](const std::string& name) { return name != "pt3d-normal"; });
}

bool exportNeedsRegions(const std::vector<std::string>& exports) {
  return contains(exports, "ply");
}

bool writeExport(const std::string& name, const ExportTarget& target, std::ostream& out,
                 std::ostream& err, PlacedRasters* placed) {
  PlacedRasters rasters;
  const Status status = runExport(name, target, rasters);
  if (placed && status.ok()) placed->merge(rasters);
  if (!status.ok()) {
    const std::string& caption = status.file.empty() ? target.outDir : status.file;
    reportFailure(err, "Export " + name + " failure.", caption, status.reason);
    return false;
  }
  for (const std::string& file : exportFiles(name)) {
    out << "Wrote " << target.outDir << "/" << file << "\n";
  }
  return true;
}

}  // namespace quorvel::cli
