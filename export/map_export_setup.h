// What both map exports do before their first strip: the extent of the data, the template,
// the output names, the grid and the strip plan.
#pragma once

#include <string>

#include "export/export_sources.h"
#include "export/map_files.h"
#include "export/map_grid.h"
#include "export/map_raster_window.h"
#include "scan/geometry.h"
#include "scan/status.h"

namespace quorvel {

struct MapExportSetup {
  Vec3 max{};  // extent of the data (PointBounds)
  Vec3 min{};
  MapParams params;     // the grid: binning always uses it
  RasterWindow raster;  // the cells of the grid the raster holds
  MapFileNames names;
  StripPlan plan;  // over the raster's width and length
};

// Fills the setup for the chosen path, reading the grid template from templatePath (none when
// empty or missing). Fails when no scan line is loaded, the LineSegmentMask does not exist yet,
// the template exists but cannot be read (a folder, a pipe, a read error), a name does not fit
// the path buffer, or the grid is unusable (see fitMapGrid and planStrips); nothing has been
// written then.
// With MapCoverage::ItsPoints the raster is the window of the grid that the export's points
// reach (for the road height raster widened by the cell its points spread to).
Status prepareMapExport(const ExportSources& sources, ExportKind kind,
                        const std::string& chosenPath, const std::string& templatePath,
                        MapCoverage coverage, MapExportSetup& setup);

}  // namespace quorvel
