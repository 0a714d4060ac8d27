#include "export/road_height_export.h"

#include <algorithm>

#include "export/map_cell_points.h"
#include "export/map_export_setup.h"
#include "export/map_strip_points.h"
#include "export/road_height_strip.h"
#include "scan/output_file.h"

namespace quorvel {

namespace {

// Sets oz and demres from the road height range; the template never supplies them.
void setHeightScale(double low, double high, MapParams& params) {
  params.oz = low;
  params.demres = (high - low) * 0.00390625;
}

// Writes the strips of the raster file; fails when the strip buffers cannot be had.
Status writeRoadStrips(const ExportSources& sources, const MapExportSetup& setup,
                       OutputFile& raster) {
  const MapParams& params = setup.params;
  std::vector<CellPoint> points;
  try {
    points = binnedPoints(sources, RoadSelection::Road, params, setup.raster);
  } catch (const std::bad_alloc&) {
    return fault("out of memory for the binned points");
  }
  RoadHeightStrip strip;
  if (!strip.allocate(static_cast<size_t>(setup.plan.rowsPerStrip),
                      static_cast<size_t>(std::max(setup.raster.width, 0)))) {
    return fault("out of memory for the strip buffers");
  }
  for (int32_t k = 0; k < setup.plan.strips; ++k) {
    const StripWindow window = rasterStrip(setup.plan, k, setup.raster);
    if (!strip.start(window)) return fault("out of memory for the strip buffers");
    GridCell cell;
    for (const CellPoint& point : points) {
      if (!cellInStrip(point, window, cell)) continue;
      const double h = (point.z - params.oz) / params.demres;
      if (h >= 0.0 && h < HEIGHT_BINS) strip.addRoadPoint(cell, h);
    }
    raster.write(strip.finish());
  }
  return {};
}

}  // namespace

Status exportRoadHeightMap(const ExportSources& sources, const std::string& chosenPath,
                           const std::string& templatePath, MapCoverage coverage,
                           PlacedRaster* placed) {
  MapExportSetup setup;
  Status status = prepareMapExport(sources, ExportKind::RoadHeightMap, chosenPath, templatePath,
                                   coverage, setup);
  if (!status.ok()) return status;
  if (isEmptyWindow(setup.raster, coverage, placed)) return {};
  double low = 0.0;
  double high = 0.0;
  if (!roadHeightRange(sources, low, high)) {
    return fault("no road height range", "", "road samples of more than one height",
                 "every second line and column");
  }
  setHeightScale(low, high, setup.params);
  OutputFile header(setup.names.header);
  if (!header.ok()) return header.status();
  header.write(mapHeaderText(windowParams(setup.params, setup.raster), MapHeaderKind::RoadHeight));
  OutputFile raster(setup.names.raster);
  if (!raster.ok()) return raster.status();
  if (Status status = writeRoadStrips(sources, setup, raster); !status.ok()) return status;
  if (placed) *placed = {setup.raster, setup.params.oz, setup.params.demres};
  return commitTogether({&raster, &header});
}

int ExportRoadHeightMap(const char* path, Status* failure) {
  return exportResult(exportRoadHeightMap(processExportSources(), path, path), failure);
}

}  // namespace quorvel
