// The exports of `quorvel run --export`: their names and the files they write into the output
// folder.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pipeline/named_exports.h"
#include "scan/status.h"

namespace quorvel::cli {

// Checks and normalises the export list: names from pt3d-normal, pt3d-class, count-map,
// road-height, road-ds, nonroad-ds, ply, las, geotiff, or "all" for the first six (the formats of
// the window's Export menu); a fault names the unknown entry.
Status parseExportList(const std::string& list, std::vector<std::string>& exports);

// An EPSG code is for the GeoTIFF rasters only and must lie in GeoTIFF's range of EPSG codes.
Status checkEpsgOption(std::optional<int32_t> epsg, const std::vector<std::string>& exports);

bool exportsNeedSurface(const std::vector<std::string>& exports);       // createVarianceMap
bool exportsNeedSegmentation(const std::vector<std::string>& exports);  // LineSegger
bool exportsNeedRegions(const std::vector<std::string>& exports);       // USFsegger

// Where and how the exports write.
struct ExportTarget {
  std::string outDir;
  std::optional<std::string> mapTemplate;  // grid template of the map exports
  std::string projectName;                 // named in the PLY header
  std::optional<int32_t> epsg;             // coordinate system of the GeoTIFF rasters
  int32_t firstLine = 0;  // the drive's line that the loaded line 0 is (PLY and LAS line index)
  MapCoverage mapCoverage = MapCoverage::WholeGrid;
};

// Runs one export of the project into the output folder: DIR/normal.pt3d, DIR/class.pt3d,
// DIR/road.ds, DIR/nonroad.ds, DIR/points.ply, DIR/points.las, and the map exports as if
// DIR/map.master were chosen (reading the template instead when one is given; geotiff writes
// both map rasters and their .tif). Prints "Wrote PATH" per file once all are whole; on failure
// prints "Export NAME failure.: PATH (REASON)" on err, PATH the file that failed (the folder
// when the failure concerns no one file), and returns false.
bool writeExport(const ProjectRecords& project, const std::string& name, const ExportTarget& target,
                 std::ostream& out, std::ostream& err, PlacedRasters* placed = nullptr);

}  // namespace quorvel::cli
