// The count raster: each cell of the map grid holds the number of non-road points in it, at
// most 255. Writes BASE-h.master (six header lines) and BASE-h.raw.
#pragma once

#include <string>

#include "export/export_sources.h"
#include "export/map_raster_window.h"
#include "scan/status.h"

namespace quorvel {

// Writes the raster for the chosen path (never written itself); the grid comes from the
// template file where it gives one (the window passes the chosen file). Fails, writing nothing,
// when no scan line is loaded, the LineSegmentMask does not exist yet, a name does not fit the
// path buffer, the grid is unusable, the strip buffer cannot be had or either file cannot be
// written whole; the previous files of those names then stay as they were. The raster replaces
// its previous file before the header does.
// With MapCoverage::ItsPoints the raster holds only the window of the grid its points reach
// (none is written when they reach none); placed receives the window (when given).
Status exportCountMap(const ExportSources& sources, const std::string& chosenPath,
                      const std::string& templatePath,
                      MapCoverage coverage = MapCoverage::WholeGrid,
                      PlacedRaster* placed = nullptr);

// The window's command 108 on the process-wide records, with the path chosen in the save
// dialog: 1 when both files were written, else 0 and the reason in failure (when given).
int ExportCountMap(const char* path, Status* failure = nullptr);

}  // namespace quorvel
