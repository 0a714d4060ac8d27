#include "batch/grid.h"

#include <algorithm>

#include "export/map_grid.h"
#include "export/point_bounds.h"
#include "scan/project_load.h"

namespace quorvel::batch {

namespace {

struct Extent {
  bool any = false;
  Vec3 max{-99999999.0, -99999999.0, -99999999.0};
  Vec3 min{99999999.0, 99999999.0, 99999999.0};
};

// The extent of one run of lines, as the map export of one run measures it.
void widenByLines(const PlannedProject& project, const LineWindow& lines, Extent& extent) {
  ProjectPaths paths;
  SensorCalib calib;
  ProjectLoad load;
  ProjectLoadFailure failure;
  if (!readProject(project.mdl, paths, calib, load, failure, lines)) return;
  ScanStore store;
  installDsContents(store, std::move(load.ds));
  Vec3 max, min;
  if (!pointBounds(ExportSources{store, load.calib, MaskRange{}}, max, min)) return;
  extent.any = true;
  for (size_t axis = 0; axis < 3; ++axis) {
    if (max[axis] >= extent.max[axis]) extent.max[axis] = max[axis];
    if (min[axis] <= extent.min[axis]) extent.min[axis] = min[axis];
  }
}

}  // namespace

bool planHasMaps(const BatchPlan& plan) {
  const std::vector<std::string>& exports = plan.options.exports;
  return std::any_of(exports.begin(), exports.end(), [](const std::string& name) {
    return name == "count-map" || name == "road-height" || name == "geotiff";
  });
}

Status batchGrid(const BatchPlan& plan, MapParams& grid) {
  grid = MapParams{};
  if (plan.options.mapTemplate) {
    if (Status status = readMapTemplateIfPresent(*plan.options.mapTemplate, grid); !status.ok()) {
      return status;
    }
  }
  const bool needsExtent =
      (grid.ox == 0.0 && grid.oy == 0.0) || (grid.width == 0 && grid.length == 0);
  Extent extent;
  for (const PlannedProject& project : plan.projects) {
    if (!needsExtent || !project.unreadable.empty()) continue;
    for (int64_t first = 0; first < project.lines; first += plan.chunkLines) {
      widenByLines(project, LineWindow{first, plan.chunkLines}, extent);
    }
  }
  if (needsExtent && !extent.any) {
    return fault("no map grid", "", "a readable project with scan lines");
  }
  return fitMapGrid(extent.max, extent.min, grid);
}

}  // namespace quorvel::batch
