// The exports by the names of `quorvel run --export` and the Python module's `export`:
// pt3d-normal, pt3d-class, count-map, road-height, road-ds, nonroad-ds, ply, las, geotiff.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "export/map_raster_window.h"
#include "pipeline/project.h"
#include "scan/status.h"

namespace quorvel {

const std::vector<std::string>& exportNames();  // all nine, in the order above

// Where and how an export writes.
struct ExportRequest {
  std::string path;  // the file; for count-map, road-height and geotiff the chosen map header,
                     // BASE.EXT, whose BASE-h.* and BASE-r.* are written
  std::optional<std::string> mapTemplate;  // grid template (default: the chosen header)
  std::string projectName;                 // named in the PLY header
  std::optional<int32_t> epsg;             // coordinate system of the GeoTIFF rasters
  int32_t firstLine = 0;  // the drive's line that the loaded line 0 is (PLY and LAS line index)
  MapCoverage mapCoverage = MapCoverage::WholeGrid;
};

// The map rasters an export wrote, by base name ("map-h", "map-r"), placed on their grid.
using PlacedRasters = std::map<std::string, PlacedRaster>;

// Writes the export; `written` (when given) receives the files it wrote, in order. The stages it
// reads must have run (see below).
Status exportByName(const ProjectRecords& project, const std::string& name,
                    const ExportRequest& request, PlacedRasters* placed = nullptr,
                    std::vector<std::string>* written = nullptr);

bool exportNeedsSurface(const std::string& name);       // VarianceMap and NormalMap
bool exportNeedsSegmentation(const std::string& name);  // the line segmentation
bool exportNeedsRegions(const std::string& name);       // the region segmentation

}  // namespace quorvel
