#include "export/map_export_setup.h"

#include <optional>

#include "export/point_bounds.h"
#include "scan/farthest_lines.h"
#include "scan/project_file.h"  // for PATH_BUFFER_SIZE

namespace quorvel {

Status prepareMapExport(const ExportSources& sources, ExportKind kind,
                        const std::string& chosenPath, const std::string& templatePath,
                        MapCoverage coverage, MapExportSetup& setup) {
  if (Status status = checkExportStart(sources.store, kind, chosenPath); !status.ok()) {
    return status;
  }
  if (!pointBounds(sources, setup.max, setup.min)) return fault("no scan lines loaded");
  if (!templatePath.empty()) {
    if (Status status = readMapTemplateIfPresent(templatePath, setup.params); !status.ok()) {
      return status;
    }
  }
  const std::optional<MapFileNames> names =
      mapFileNames(chosenPath, kind == ExportKind::CountMap ? "-h" : "-r");
  if (!names) {
    return fault("map file name too long", chosenPath,
                 "at most " + std::to_string(PATH_BUFFER_SIZE - 1) + " characters");
  }
  setup.names = *names;
  if (Status status = checkPixelsize(setup.params); !status.ok()) return status;
  // A size taken from the points' extent is too large because of distant points.
  const bool sizeOfPoints =
      (setup.params.width == 0 && setup.params.length == 0) || coverage == MapCoverage::ItsPoints;
  const auto withFarLines = [&](Status status) {
    const std::string hint = sizeOfPoints ? farLinesHint(sources.store) : "";
    if (!status.ok() && !hint.empty()) status.reason += "; " + hint;
    return status;
  };
  if (Status status = fitMapGrid(setup.max, setup.min, setup.params); !status.ok()) {
    return withFarLines(status);
  }
  if (coverage == MapCoverage::WholeGrid) {
    setup.raster = wholeGrid(setup.params);
  } else if (kind == ExportKind::CountMap) {
    setup.raster = pointsWindow(sources, RoadSelection::NonRoad, setup.params, 0);
  } else {
    setup.raster = pointsWindow(sources, RoadSelection::Road, setup.params, 1);
  }
  return withFarLines(planStrips(setup.raster.width, setup.raster.length, setup.plan));
}

}  // namespace quorvel
