#include "pipeline/named_exports.h"

#include <algorithm>

#include "export/count_map_export.h"
#include "export/ds_export.h"
#include "export/las_export.h"
#include "export/map_geotiff.h"
#include "export/ply_export.h"
#include "export/pt3d_export.h"
#include "export/road_height_export.h"

namespace quorvel {

namespace {

// A map raster's two files for the chosen header, with the suffix "-h" or "-r".
std::optional<MapFileNames> mapFiles(const ExportRequest& request, const char* suffix) {
  return mapFileNames(request.path, suffix);
}

std::vector<std::string> pairFiles(const std::optional<MapFileNames>& names) {
  if (!names) return {};
  return {names->header, names->raster};
}

Status mapExport(const ExportSources& sources, const ExportRequest& request, bool road,
                 PlacedRasters& placed, std::vector<std::string>& written) {
  const std::string templatePath = request.mapTemplate.value_or(request.path);
  Status status = road ? exportRoadHeightMap(sources, request.path, templatePath,
                                             request.mapCoverage, &placed["map-r"])
                       : exportCountMap(sources, request.path, templatePath, request.mapCoverage,
                                        &placed["map-h"]);
  if (status.ok()) {
    const std::vector<std::string> files = pairFiles(mapFiles(request, road ? "-r" : "-h"));
    written.insert(written.end(), files.begin(), files.end());
  }
  return status;
}

// Both map rasters, each followed by its GeoTIFF (BASE-h.tif, BASE-r.tif).
Status geoTiffs(const ExportSources& sources, const ExportRequest& request, PlacedRasters& placed,
                std::vector<std::string>& written) {
  for (const bool road : {false, true}) {
    if (Status status = mapExport(sources, request, road, placed, written); !status.ok()) {
      return status;
    }
    const MapFileNames names = *mapFiles(request, road ? "-r" : "-h");
    const std::string tif = names.header.substr(0, names.header.size() - 7) + ".tif";
    Status status = writeMapGeoTiff(names, road ? MapHeaderKind::RoadHeight : MapHeaderKind::Count,
                                    tif, request.epsg);
    if (!status.ok()) return status;
    written.push_back(tif);
  }
  return {};
}

// One file written by `write` at the request's path.
template <typename Write>
Status oneFile(Write write, const ExportRequest& request, std::vector<std::string>& written) {
  Status status = write(request.path);
  if (status.ok()) written.push_back(request.path);
  return status;
}

using ExportRun = Status (*)(const ExportSources&, const ExportRequest&, PlacedRasters&,
                             std::vector<std::string>&);

struct NamedExport {
  const char* name;
  ExportRun run;
  bool surface;  // reads the VarianceMap and NormalMap
  bool lines;    // reads the line segmentation
  bool regions;  // reads the region segmentation
};

const NamedExport EXPORTS[] = {
    {"pt3d-normal",
     [](const ExportSources& s, const ExportRequest& r, PlacedRasters&,
        std::vector<std::string>& w) {
       return oneFile([&](const std::string& path) { return exportPt3dByNormal(s, path); }, r, w);
     },
     true, false, false},
    {"pt3d-class",
     [](const ExportSources& s, const ExportRequest& r, PlacedRasters&,
        std::vector<std::string>& w) {
       return oneFile([&](const std::string& path) { return exportPt3dByClass(s, path); }, r, w);
     },
     true, true, false},
    {"count-map",
     [](const ExportSources& s, const ExportRequest& r, PlacedRasters& p,
        std::vector<std::string>& w) { return mapExport(s, r, false, p, w); },
     false, true, false},
    {"road-height",
     [](const ExportSources& s, const ExportRequest& r, PlacedRasters& p,
        std::vector<std::string>& w) { return mapExport(s, r, true, p, w); },
     false, true, false},
    {"road-ds",
     [](const ExportSources& s, const ExportRequest& r, PlacedRasters&,
        std::vector<std::string>& w) {
       return oneFile(
           [&](const std::string& path) { return exportSelectedDs(s, path, RoadSelection::Road); },
           r, w);
     },
     false, true, false},
    {"nonroad-ds",
     [](const ExportSources& s, const ExportRequest& r, PlacedRasters&,
        std::vector<std::string>& w) {
       return oneFile(
           [&](const std::string& path) {
             return exportSelectedDs(s, path, RoadSelection::NonRoad);
           },
           r, w);
     },
     false, true, false},
    {"ply",
     [](const ExportSources& s, const ExportRequest& r, PlacedRasters&,
        std::vector<std::string>& w) {
       return oneFile([&](const std::string& path) { return exportPly(s, r.projectName, path); }, r,
                      w);
     },
     true, true, true},
    {"las",
     [](const ExportSources& s, const ExportRequest& r, PlacedRasters&,
        std::vector<std::string>& w) {
       return oneFile([&](const std::string& path) { return exportLas(s, path); }, r, w);
     },
     true, true, false},
    {"geotiff", geoTiffs, false, true, false},
};

const NamedExport* findExport(const std::string& name) {
  for (const NamedExport& entry : EXPORTS) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

}  // namespace

const std::vector<std::string>& exportNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const NamedExport& entry : EXPORTS) all.push_back(entry.name);
    return all;
  }();
  return names;
}

Status exportByName(const ProjectRecords& project, const std::string& name,
                    const ExportRequest& request, PlacedRasters* placed,
                    std::vector<std::string>* written) {
  const NamedExport* entry = findExport(name);
  if (!entry) return fault("unknown export", name);
  PlacedRasters rasters;
  std::vector<std::string> files;
  const ExportSources sources{project.store, project.calib, project.mask, request.firstLine,
                              project.parallel};
  Status status = entry->run(sources, request, rasters, files);
  if (placed && status.ok()) placed->merge(rasters);
  if (written) *written = std::move(files);
  return status;
}

bool exportNeedsSurface(const std::string& name) {
  const NamedExport* entry = findExport(name);
  return entry && entry->surface;
}

bool exportNeedsSegmentation(const std::string& name) {
  const NamedExport* entry = findExport(name);
  return entry && entry->lines;
}

bool exportNeedsRegions(const std::string& name) {
  const NamedExport* entry = findExport(name);
  return entry && entry->regions;
}

}  // namespace quorvel
