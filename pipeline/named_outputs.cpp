#include "pipeline/named_outputs.h"

#include <sstream>

#include "export/count_map_export.h"
#include "export/ds_export.h"
#include "export/kerbs_geojson.h"
#include "export/las_export.h"
#include "export/map_files.h"
#include "export/map_geotiff.h"
#include "export/ply_export.h"
#include "export/pt3d_export.h"
#include "export/result_dump.h"
#include "export/road_height_export.h"
#include "render/contour_picture.h"
#include "render/normal_picture.h"
#include "render/range_picture.h"
#include "render/region_picture.h"
#include "render/segment_picture.h"
#include "render/surface_picture.h"
#include "render/variance_picture.h"

namespace quorvel {

namespace {

// ---- exports ----

// A map raster's two files for the chosen header, with the suffix "-h" or "-r".
std::vector<std::string> pairFiles(const std::string& chosen, const char* suffix) {
  const std::optional<MapFileNames> names = mapFileNames(chosen, suffix);
  if (!names) return {};
  return {names->header, names->raster};
}

bool isWritten(const PlacedRaster& raster) {
  return raster.window.width > 0 && raster.window.length > 0;
}

Status mapExport(const ExportSources& sources, const OutputRequest& request,
                 const std::string& chosen, bool road, PlacedRasters& placed,
                 std::vector<std::string>& written) {
  const std::string templatePath = request.mapTemplate.value_or(chosen);
  PlacedRaster& raster = placed[road ? "map-r" : "map-h"];
  raster = PlacedRaster{};  // no cells until the export places its raster
  Status status =
      road ? exportRoadHeightMap(sources, chosen, templatePath, request.mapCoverage, &raster)
           : exportCountMap(sources, chosen, templatePath, request.mapCoverage, &raster);
  if (status.ok() && (request.mapCoverage == MapCoverage::WholeGrid || isWritten(raster))) {
    const std::vector<std::string> files = pairFiles(chosen, road ? "-r" : "-h");
    written.insert(written.end(), files.begin(), files.end());
  }
  return status;
}

// Both map rasters, each followed by its GeoTIFF (BASE-h.tif, BASE-r.tif).
Status geoTiffs(const ExportSources& sources, const OutputRequest& request,
                const std::string& chosen, PlacedRasters& placed,
                std::vector<std::string>& written) {
  for (const bool road : {false, true}) {
    if (Status status = mapExport(sources, request, chosen, road, placed, written); !status.ok()) {
      return status;
    }
    if (request.mapCoverage == MapCoverage::ItsPoints &&
        !isWritten(placed[road ? "map-r" : "map-h"])) {
      continue;
    }
    const MapFileNames names = *mapFileNames(chosen, road ? "-r" : "-h");
    const std::string tif = names.header.substr(0, names.header.size() - 7) + ".tif";
    Status status = writeMapGeoTiff(names, road ? MapHeaderKind::RoadHeight : MapHeaderKind::Count,
                                    tif, request.epsg);
    if (!status.ok()) return status;
    written.push_back(tif);
  }
  return {};
}

// One file written by `write` at the chosen path.
template <typename Write>
Status oneFile(Write write, const std::string& path, std::vector<std::string>& written) {
  Status status = write(path);
  if (status.ok()) written.push_back(path);
  return status;
}

using ExportRun = Status (*)(const ExportSources&, const OutputRequest&, const std::string& path,
                             PlacedRasters&, std::vector<std::string>&);

Status pt3dNormal(const ExportSources& s, const OutputRequest&, const std::string& path,
                  PlacedRasters&, std::vector<std::string>& w) {
  return oneFile([&](const std::string& p) { return exportPt3dByNormal(s, p); }, path, w);
}

Status pt3dClass(const ExportSources& s, const OutputRequest&, const std::string& path,
                 PlacedRasters&, std::vector<std::string>& w) {
  return oneFile([&](const std::string& p) { return exportPt3dByClass(s, p); }, path, w);
}

Status countMap(const ExportSources& s, const OutputRequest& r, const std::string& path,
                PlacedRasters& placed, std::vector<std::string>& w) {
  return mapExport(s, r, path, false, placed, w);
}

Status roadHeight(const ExportSources& s, const OutputRequest& r, const std::string& path,
                  PlacedRasters& placed, std::vector<std::string>& w) {
  return mapExport(s, r, path, true, placed, w);
}

Status roadDs(const ExportSources& s, const OutputRequest&, const std::string& path, PlacedRasters&,
              std::vector<std::string>& w) {
  return oneFile([&](const std::string& p) { return exportSelectedDs(s, p, RoadSelection::Road); },
                 path, w);
}

Status nonRoadDs(const ExportSources& s, const OutputRequest&, const std::string& path,
                 PlacedRasters&, std::vector<std::string>& w) {
  return oneFile(
      [&](const std::string& p) { return exportSelectedDs(s, p, RoadSelection::NonRoad); }, path,
      w);
}

Status ply(const ExportSources& s, const OutputRequest& r, const std::string& path, PlacedRasters&,
           std::vector<std::string>& w) {
  return oneFile([&](const std::string& p) { return exportPly(s, r.projectName, p); }, path, w);
}

Status las(const ExportSources& s, const OutputRequest&, const std::string& path, PlacedRasters&,
           std::vector<std::string>& w) {
  return oneFile([&](const std::string& p) { return exportLas(s, p); }, path, w);
}

Status kerbs(const ExportSources& s, const OutputRequest& r, const std::string& path,
             PlacedRasters&, std::vector<std::string>& w) {
  return oneFile([&](const std::string& p) { return exportKerbs(s.store, s.firstLine, r.epsg, p); },
                 path, w);
}

// ---- pictures and dumps ----

int rangePicture(const ProjectRecords& p) {
  return buildRangePicture(p.tiles, p.store, p.render, p.mask, p.parallel);
}

int variancePicture(const ProjectRecords& p) {
  return buildVariancePicture(p.tiles, p.store, p.segment, p.render, p.mask, p.parallel);
}

int normalPicture(const ProjectRecords& p) {
  return buildNormalPicture(p.tiles, p.store, p.render, p.mask, p.parallel);
}

int contourPicture(const ProjectRecords& p) {
  return buildContourPicture(p.tiles, p.store, p.calib, p.render, p.parallel);
}

int segmentPicture(const ProjectRecords& p) {
  return buildSegmentPicture(p.tiles, p.store, p.render, p.mask, p.parallel);
}

int surfacePicture(const ProjectRecords& p) {
  return buildSurfacePicture(p.tiles, p.store, p.render, p.mask, p.parallel);
}

int regionPicture(const ProjectRecords& p) {
  return buildRegionPicture(p.tiles, p.store, p.render, p.mask, p.parallel);
}

using PictureBuild = int (*)(const ProjectRecords&);

Status surfaceDump(const ScanStore& store, const std::string& folder, int32_t,
                   std::vector<std::string>& written) {
  return writeSurfaceDump(store, folder, written);
}

Status surfaceClassDump(const ScanStore& store, const std::string& folder, int32_t,
                        std::vector<std::string>& written) {
  return writeSurfaceClassDump(store, folder, written);
}

using DumpWrite = Status (*)(const ScanStore&, const std::string& folder, int32_t firstLine,
                             std::vector<std::string>& written);

// ---- the table ----

struct NamedOutput {
  const char* name;
  OutputKind kind;
  bool inAll;  // one of the outputs that "all" names: those of the window's commands
  StageNeeds needs;
  const char* files;      // the files it writes into a folder, separated by blanks
  const char* target;     // an export's file in the folder (the chosen map header for maps)
  PictureBuild build;     // pictures
  DumpWrite dump;         // dumps
  const char* dumpStage;  // dumps: the stage name of its timing
  ExportRun exportRun;    // exports
  ExportReads reads;      // exports: the request's options they read
};

constexpr StageNeeds NONE{};
constexpr StageNeeds SURFACE{true, false, false};
constexpr StageNeeds LINES{false, true, false};
constexpr StageNeeds SURFACE_LINES{true, true, false};
constexpr StageNeeds SURFACE_REGIONS{true, false, true};
constexpr StageNeeds ALL{true, true, true};
constexpr StageNeeds CLASSES{false, false, false, true};
constexpr StageNeeds ALL_CLASSES{true, true, true, true};
constexpr StageNeeds SURFACE_LINES_CLASSES{true, true, false, true};
constexpr bool IN_ALL = true;  // the additions below are named one by one

NamedOutput picture(const char* name, StageNeeds needs, const char* files, PictureBuild build,
                    bool inAll = IN_ALL) {
  return {name, OutputKind::Picture, inAll, needs, files, nullptr, build, nullptr, nullptr, nullptr,
          {}};
}

NamedOutput dump(const char* name, StageNeeds needs, const char* files, DumpWrite write,
                 const char* stage) {
  return {name,  OutputKind::Dump, IN_ALL, needs, files, nullptr, nullptr, write,
          stage, nullptr,          {}};
}

NamedOutput exported(const char* name, StageNeeds needs, const char* files, const char* target,
                     ExportRun run, bool inAll = IN_ALL, ExportReads reads = {}) {
  return {name, OutputKind::Export, inAll, needs, files, target, nullptr, nullptr, nullptr, run,
          reads};
}

constexpr ExportReads MAP_TEMPLATE{true, false};
constexpr ExportReads EPSG{false, true};
constexpr ExportReads MAP_TEMPLATE_EPSG{true, true};

const std::vector<NamedOutput>& outputTable() {
  static const std::vector<NamedOutput> table = {
      picture("range", NONE, "range.png", rangePicture),
      picture("variance", SURFACE, "variance.png", variancePicture),
      picture("normal", SURFACE, "normal.png", normalPicture),
      picture("contour", NONE, "contour.png", contourPicture),
      picture("segment", LINES, "segment.png", segmentPicture),
      picture("surface", CLASSES, "surface.png", surfacePicture),
      picture("regions", SURFACE_REGIONS, "regions.png", regionPicture, !IN_ALL),
      dump("dump-surface", SURFACE, "variance.npy normal.npy", surfaceDump, "dump surface"),
      dump("dump-segmentation", ALL, "labels.npy segments.csv linemask.npy linesegments.csv",
           writeSegmentationDump, "dump segmentation"),
      dump("dump-surface-classes", CLASSES, "surface.npy", surfaceClassDump,
           "dump surface classes"),
      exported("pt3d-normal", SURFACE, "normal.pt3d", "normal.pt3d", pt3dNormal),
      exported("pt3d-class", SURFACE_LINES, "class.pt3d", "class.pt3d", pt3dClass),
      exported("count-map", LINES, "map-h.master map-h.raw", "map.master", countMap, IN_ALL,
               MAP_TEMPLATE),
      exported("road-height", LINES, "map-r.master map-r.raw", "map.master", roadHeight, IN_ALL,
               MAP_TEMPLATE),
      exported("road-ds", LINES, "road.ds", "road.ds", roadDs),
      exported("nonroad-ds", LINES, "nonroad.ds", "nonroad.ds", nonRoadDs),
      exported("ply", ALL_CLASSES, "points.ply", "points.ply", ply, !IN_ALL),
      exported("las", SURFACE_LINES_CLASSES, "points.las", "points.las", las, !IN_ALL),
      exported("geotiff", LINES,
               "map-h.master map-h.raw map-h.tif map-r.master map-r.raw map-r.tif", "map.master",
               geoTiffs, !IN_ALL, MAP_TEMPLATE_EPSG),
      exported("kerbs", CLASSES, "kerbs.geojson", "kerbs.geojson", kerbs, !IN_ALL, EPSG),
  };
  return table;
}

const NamedOutput* findOutput(const std::string& name) {
  for (const NamedOutput& entry : outputTable()) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

bool writePictureFile(const NamedOutput& entry, const ProjectRecords& project,
                      const OutputRequest& request, StageTimer& timer, WrittenOutput& written,
                      FailureMessage& failure) {
  const std::string name = entry.name;
  if (!timer.time(name, [&] { return entry.build(project); })) {
    failure = {"Generate " + name + " image failure.", "Error", "no scan line loaded"};
    return false;
  }
  const std::string path = request.folder + "/" + entry.files;
  const Status status =
      timer.time("png", [&] { return writePicturePng(project.tiles, path, request.columns); });
  freeBitmapTiles(project.tiles);  // written: its memory is for the next stage
  if (!status.ok()) {
    failure = {"Picture output failure.", path, status.reason};
    return false;
  }
  written.files.push_back(path);
  return true;
}

bool writeDumpFiles(const NamedOutput& entry, const ProjectRecords& project,
                    const OutputRequest& request, StageTimer& timer, WrittenOutput& written,
                    FailureMessage& failure) {
  std::vector<std::string> files;
  const Status status = timer.time(entry.dumpStage, [&] {
    return entry.dump(project.store, request.folder, request.firstLine, files);
  });
  if (!status.ok()) {
    failure = {"Dump output failure.", status.file.empty() ? request.folder : status.file,
               status.reason};
    return false;
  }
  written.files.insert(written.files.end(), files.begin(), files.end());
  return true;
}

bool writeExportFiles(const NamedOutput& entry, const ProjectRecords& project,
                      const OutputRequest& request, StageTimer& timer, WrittenOutput& written,
                      FailureMessage& failure) {
  const std::string path = request.path.value_or(request.folder + "/" + entry.target);
  const ExportSources sources{project.store, project.calib, project.mask, request.firstLine,
                              project.parallel};
  PlacedRasters rasters;
  std::vector<std::string> files;
  const Status status = timer.time(
      entry.name, [&] { return entry.exportRun(sources, request, path, rasters, files); });
  if (!status.ok()) {
    const std::string& fallback = request.path ? *request.path : request.folder;
    failure = {std::string("Export ") + entry.name + " failure.",
               status.file.empty() ? fallback : status.file, status.reason};
    return false;
  }
  written.files.insert(written.files.end(), files.begin(), files.end());
  for (auto raster = rasters.begin(); raster != rasters.end();) {
    if (request.mapCoverage == MapCoverage::WholeGrid || isWritten(raster->second)) {
      ++raster;
      continue;
    }
    written.notes.push_back(std::string(entry.name) + ": no " +
                            (raster->first == "map-r" ? "road point" : "non-road point") +
                            " of these scan lines on the grid, so no " + raster->first + " raster");
    raster = rasters.erase(raster);
  }
  written.rasters.merge(rasters);
  return true;
}

}  // namespace

const std::vector<std::string>& outputNames(OutputKind kind) {
  static const std::map<OutputKind, std::vector<std::string>> names = [] {
    std::map<OutputKind, std::vector<std::string>> all;
    for (const NamedOutput& entry : outputTable()) all[entry.kind].push_back(entry.name);
    return all;
  }();
  return names.at(kind);
}

const std::vector<std::string>& allOutputNames(OutputKind kind) {
  static const std::map<OutputKind, std::vector<std::string>> names = [] {
    std::map<OutputKind, std::vector<std::string>> all;
    for (const NamedOutput& entry : outputTable()) {
      if (entry.inAll) all[entry.kind].push_back(entry.name);
    }
    return all;
  }();
  return names.at(kind);
}

bool isOutputName(OutputKind kind, const std::string& name) {
  const NamedOutput* entry = findOutput(name);
  return entry && entry->kind == kind;
}

ExportReads exportReads(const std::string& name) {
  const NamedOutput* entry = findOutput(name);
  return entry ? entry->reads : ExportReads{};
}

StageNeeds outputNeeds(const std::string& name) {
  const NamedOutput* entry = findOutput(name);
  return entry ? entry->needs : StageNeeds{};
}

std::vector<std::string> outputFiles(const std::string& name) {
  const NamedOutput* entry = findOutput(name);
  std::vector<std::string> files;
  if (!entry) return files;
  std::istringstream list(entry->files);
  for (std::string file; list >> file;) files.push_back(file);
  return files;
}

bool writeOutput(const ProjectRecords& project, const std::string& name,
                 const OutputRequest& request, StageTimer& timer, WrittenOutput& written,
                 FailureMessage& failure) {
  const NamedOutput* entry = findOutput(name);
  if (!entry) {
    failure = {"Unknown output.", name, ""};
    return false;
  }
  WrittenOutput result;
  bool ok = false;
  switch (entry->kind) {
    case OutputKind::Picture:
      ok = writePictureFile(*entry, project, request, timer, result, failure);
      break;
    case OutputKind::Dump:
      ok = writeDumpFiles(*entry, project, request, timer, result, failure);
      break;
    case OutputKind::Export:
      ok = writeExportFiles(*entry, project, request, timer, result, failure);
      break;
  }
  if (ok) {
    written.files.insert(written.files.end(), result.files.begin(), result.files.end());
    written.rasters.merge(result.rasters);
    written.notes.insert(written.notes.end(), result.notes.begin(), result.notes.end());
  }
  return ok;
}

int buildPicture(const ProjectRecords& project, const std::string& name) {
  const NamedOutput* entry = findOutput(name);
  return entry && entry->kind == OutputKind::Picture ? entry->build(project) : 0;
}

}  // namespace quorvel
