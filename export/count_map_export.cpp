#include "export/count_map_export.h"

#include <algorithm>
#include <span>
#include <vector>

#include "export/map_cell_points.h"
#include "export/map_export_setup.h"
#include "export/map_strip_points.h"
#include "scan/output_file.h"

namespace quorvel {

Status exportCountMap(const ExportSources& sources, const std::string& chosenPath,
                      const std::string& templatePath, MapCoverage coverage, PlacedRaster* placed) {
  MapExportSetup setup;
  Status status =
      prepareMapExport(sources, ExportKind::CountMap, chosenPath, templatePath, coverage, setup);
  if (!status.ok()) return status;
  if (isEmptyWindow(setup.raster, coverage, placed)) return {};
  const MapParams& params = setup.params;
  OutputFile header(setup.names.header);
  if (!header.ok()) return header.status();
  header.write(mapHeaderText(windowParams(params, setup.raster), MapHeaderKind::Count));
  OutputFile raster(setup.names.raster);
  if (!raster.ok()) return raster.status();
  const size_t width = static_cast<size_t>(std::max(setup.raster.width, 0));
  std::vector<unsigned char> counts;
  std::vector<CellPoint> points;
  try {
    points = binnedPoints(sources, RoadSelection::NonRoad, params, setup.raster);
  } catch (const std::bad_alloc&) {
    return fault("out of memory for the binned points");
  }
  if (!allocateStripBuffer(counts, static_cast<size_t>(setup.plan.rowsPerStrip) * width)) {
    return fault("out of memory for the strip buffer");
  }
  for (int32_t k = 0; k < setup.plan.strips; ++k) {
    const StripWindow window = rasterStrip(setup.plan, k, setup.raster);
    std::fill(counts.begin(), counts.end(), 0);
    GridCell cell;
    for (const CellPoint& point : points) {
      if (!cellInStrip(point, window, cell)) continue;
      unsigned char& count =
          counts[static_cast<size_t>(cell.row) * width + static_cast<size_t>(cell.column)];
      if (count < 255) ++count;
    }
    raster.write(std::span(counts).first(static_cast<size_t>(window.rows) * width));
  }
  if (placed) *placed = {setup.raster};
  return commitTogether({&raster, &header});
}

int ExportCountMap(const char* path, Status* failure) {
  return exportResult(exportCountMap(processExportSources(), path, path), failure);
}

}  // namespace quorvel
