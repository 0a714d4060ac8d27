#include "export/count_map_export.h"

#include <algorithm>
#include <span>
#include <vector>

#include "export/map_export_setup.h"
#include "export/map_strip_points.h"
#include "export/output_file.h"

namespace quorvel {

Status exportCountMap(const ExportSources& sources, const std::string& chosenPath,
                      const std::string& templatePath) {
  MapExportSetup setup;
  Status status = prepareMapExport(sources, ExportKind::CountMap, chosenPath, templatePath, setup);
  if (!status.ok()) return status;
  const MapParams& params = setup.params;
  if (!writeMapHeader(setup.names.header, params, MapHeaderKind::Count)) {
    return cannotCreate(setup.names.header);
  }
  OutputFile raster(setup.names.raster);
  if (!raster.isOpen()) return cannotCreate(setup.names.raster);
  const size_t width = static_cast<size_t>(std::max(params.width, 0));
  std::vector<unsigned char> counts;
  if (!allocateStripBuffer(counts, static_cast<size_t>(setup.plan.rowsPerStrip) * width)) {
    return fault("out of memory for the strip buffer");
  }
  for (int32_t k = 0; k < setup.plan.strips; ++k) {
    const StripWindow window = stripWindow(setup.plan, k, params.length);
    std::fill(counts.begin(), counts.end(), 0);
    visitStripPoints(
        sources, RoadSelection::NonRoad, params, window, [&](const GridCell& cell, const Vec3&) {
          unsigned char& count =
              counts[static_cast<size_t>(cell.row) * width + static_cast<size_t>(cell.column)];
          if (count < 255) ++count;
        });
    raster.write(std::span(counts).first(static_cast<size_t>(window.rows) * width));
  }
  return {};
}

int ExportCountMap(const char* path) {
  return exportCountMap(processExportSources(), path, path).ok() ? 1 : 0;
}

}  // namespace quorvel
