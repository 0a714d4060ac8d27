// Every output file by name, in one table: the pictures (range, variance, normal, contour,
// segment, surface, regions as NAME.png), the three parts of the dump (dump-surface,
// dump-segmentation, dump-surface-classes) and the exports (pt3d-normal, pt3d-class, count-map,
// road-height, road-ds, nonroad-ds, ply, las, geotiff, kerbs). Each entry says which stages'
// results it reads and which files it writes; `quorvel run`, a batch task and the Python module
// all write through it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "export/map_raster_window.h"
#include "export/picture_png.h"
#include "pipeline/project.h"
#include "pipeline/report.h"
#include "pipeline/stage_timer.h"

namespace quorvel {

enum class OutputKind { Picture, Dump, Export };

// The results an output reads; the stages that make them must have run before it is written.
struct StageNeeds {
  bool surface = false;  // VarianceMap and NormalMap (createVarianceMap)
  bool lines = false;    // the line segmentation (LineSegger)
  bool regions = false;  // the region segmentation (USFsegger), which reads the surface's
  bool classes = false;  // the surface classification (classifySurfaces)
};

// Where and how an output writes.
struct OutputRequest {
  std::string folder;  // the files go here under the names outputFiles() gives
  // An export's own file instead (Python's export(name, path)); for count-map, road-height and
  // geotiff the chosen map header BASE.EXT, whose BASE-h.* and BASE-r.* are written.
  std::optional<std::string> path;
  std::optional<std::string> mapTemplate;  // grid template of the map exports
  std::string projectName;                 // named in the PLY header
  std::optional<int32_t> epsg;             // coordinate system of the GeoTIFF rasters
  int32_t firstLine = 0;  // the drive's line that the loaded line 0 is (PLY, LAS, line dump)
  MapCoverage mapCoverage = MapCoverage::WholeGrid;
  std::optional<PictureColumns> columns;  // pictures: only these columns (a task's own lines)
};

// The map rasters an output wrote, by base name ("map-h", "map-r"), placed on their grid.
using PlacedRasters = std::map<std::string, PlacedRaster>;

struct WrittenOutput {
  std::vector<std::string> files;  // every path written, in order, each complete on the disk
  PlacedRasters rasters;
  // What was left out on purpose: with MapCoverage::ItsPoints a map raster whose points reach
  // no cell is not written, and says so here.
  std::vector<std::string> notes;
};

const std::vector<std::string>& outputNames(OutputKind kind);  // in the order above
// The names "all" stands for (not regions, ply, las, geotiff and kerbs, which are named one by
// one).
const std::vector<std::string>& allOutputNames(OutputKind kind);
bool isOutputName(OutputKind kind, const std::string& name);
StageNeeds outputNeeds(const std::string& name);  // none for an unknown name
// The options of an OutputRequest an export reads besides its path.
struct ExportReads {
  bool mapTemplate = false;  // count-map, road-height, geotiff
  bool epsg = false;         // geotiff, kerbs
};
ExportReads exportReads(const std::string& name);  // none for another name

// The names of the files the output writes into a folder, when every result it reads is there.
std::vector<std::string> outputFiles(const std::string& name);

// Writes the output, timing its steps on the timer (a picture as NAME and "png", a dump part as
// "dump surface" / "dump segmentation" / "dump surface classes", an export as NAME). On failure
// nothing is reported as written, `failure` holds the window's message and false is returned.
bool writeOutput(const ProjectRecords& project, const std::string& name,
                 const OutputRequest& request, StageTimer& timer, WrittenOutput& written,
                 FailureMessage& failure);

// Builds the picture of that name into the project's tiles from the results present; 1 when
// built.
int buildPicture(const ProjectRecords& project, const std::string& name);

}  // namespace quorvel
