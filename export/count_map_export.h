// The count raster: each cell of the map grid holds the number of non-road points in it, at
// most 255. Writes BASE-h.master (six header lines) and BASE-h.raw.
#pragma once

#include <string>

#include "export/export_sources.h"
#include "scan/status.h"

namespace quorvel {

// Writes the raster for the chosen path (never written itself); the grid comes from the
// template file where it gives one (the window passes the chosen file). Fails, writing nothing,
// when no scan line is loaded, the LineSegmentMask does not exist yet, a name does not fit the
// path buffer or the grid is unusable; fails after the header when the raster file or the strip
// buffer cannot be had.
Status exportCountMap(const ExportSources& sources, const std::string& chosenPath,
                      const std::string& templatePath);

// The window's command 108 on the process-wide records, with the path chosen in the save
// dialog: 1 when both files were written, else 0.
int ExportCountMap(const char* path);

}  // namespace quorvel
