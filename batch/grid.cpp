#include "batch/grid.h"

#include <algorithm>

#include "export/map_grid.h"
#include "export/point_bounds.h"
#include "scan/content_hash.h"
#include "scan/farthest_lines.h"
#include "scan/file_bytes.h"
#include "scan/pose_glitches.h"
#include "scan/project_load.h"

namespace quorvel::batch {

namespace {

struct Extent {
  bool any = false;
  Vec3 max{-99999999.0, -99999999.0, -99999999.0};
  Vec3 min{99999999.0, 99999999.0, 99999999.0};

  void widen(const Vec3& otherMax, const Vec3& otherMin) {
    any = true;
    for (size_t axis = 0; axis < 3; ++axis) {
      if (otherMax[axis] >= max[axis]) max[axis] = otherMax[axis];
      if (otherMin[axis] <= min[axis]) min[axis] = otherMin[axis];
    }
  }
};

// The extent of one run of lines, as the map export of one run measures it (without the pose
// glitches when the plan drops them), and the positions of its lines with points when asked.
void widenByLines(const BatchPlan& plan, const PlannedProject& project, const LineWindow& lines,
                  Extent& extent, std::vector<LinePosition>* positions = nullptr) {
  ProjectPaths paths;
  SensorCalib calib;
  ProjectLoad load;
  ProjectLoadFailure failure;
  if (!readProject(project.mdl, paths, calib, load, failure, lines)) return;
  ScanStore store;
  installDsContents(store, std::move(load.ds));
  if (plan.options.dropPoseGlitches) dropPoseGlitches(store);
  if (positions) appendLinePositions(store, *positions);
  Vec3 max, min;
  if (pointBounds(ExportSources{store, load.calib, MaskRange{}}, max, min)) extent.widen(max, min);
}

// Every project's lines, chunkLines at a time.
template <typename Visit>
void forEachChunk(const BatchPlan& plan, const PlannedProject& project, Visit visit) {
  for (int64_t first = 0; first < project.lines; first += plan.chunkLines) {
    visit(LineWindow{first, plan.chunkLines});
  }
}

// The cells of a grid over the extent at the grid's cell size (as a double: it may be huge).
double cellsOver(const Extent& extent, double pixelsize) {
  if (!extent.any) return 0.0;
  return (extent.max[0] - extent.min[0]) / pixelsize *
         ((extent.max[1] - extent.min[1]) / pixelsize);
}

// The project whose own points span the most cells.
size_t widestProject(const std::vector<Extent>& extents, double pixelsize) {
  size_t widest = 0;
  for (size_t p = 1; p < extents.size(); ++p) {
    if (cellsOver(extents[p], pixelsize) > cellsOver(extents[widest], pixelsize)) widest = p;
  }
  return widest;
}

// Whether one project's own points span more cells than one raster holds: its tasks' rasters
// cannot be written.
bool aProjectSpreadsPastOneRaster(const std::vector<Extent>& extents, double pixelsize) {
  return !extents.empty() &&
         cellsOver(extents[widestProject(extents, pixelsize)], pixelsize) > MAP_RASTER_CELL_LIMIT;
}

// Why the grid is too large: the project whose own points span more cells than one raster holds,
// with its lines farthest from the middle of its drive (read again), or that the projects lie far
// apart.
std::string tooLargeNote(const BatchPlan& plan, const std::vector<Extent>& extents,
                         double pixelsize) {
  if (!aProjectSpreadsPastOneRaster(extents, pixelsize)) return "the projects lie far apart";
  const PlannedProject& project = plan.projects[widestProject(extents, pixelsize)];
  std::vector<LinePosition> positions;
  Extent ignored;
  forEachChunk(plan, project, [&](const LineWindow& lines) {
    widenByLines(plan, project, lines, ignored, &positions);
  });
  return "project " + project.name + " (" + project.mdl + ") spreads over the most; " +
         farLinesHint(farthestOf(positions, HINT_LINES));
}

}  // namespace

Status batchGrid(const BatchPlan& plan, MapParams& grid, std::string& note) {
  grid = MapParams{};
  note.clear();
  if (plan.options.mapTemplate) {
    if (Status status = readMapTemplateIfPresent(*plan.options.mapTemplate, grid); !status.ok()) {
      return status;
    }
  }
  const bool needsExtent =
      (grid.ox == 0.0 && grid.oy == 0.0) || (grid.width == 0 && grid.length == 0);
  Extent extent;
  std::vector<Extent> extents(plan.projects.size());  // each project's own
  for (size_t p = 0; p < plan.projects.size(); ++p) {
    const PlannedProject& project = plan.projects[p];
    if (!needsExtent || !project.unreadable.empty()) continue;
    forEachChunk(plan, project,
                 [&](const LineWindow& lines) { widenByLines(plan, project, lines, extents[p]); });
    if (extents[p].any) extent.widen(extents[p].max, extents[p].min);
  }
  if (needsExtent && !extent.any) {
    return fault("no map grid", "", "a readable project with scan lines");
  }
  const bool fromExtent = grid.width == 0 && grid.length == 0;
  Status status = fitMapGrid(extent.max, extent.min, grid);
  const bool tooLarge =
      !status.ok() || (fromExtent && aProjectSpreadsPastOneRaster(extents, grid.pixelsize));
  if (fromExtent && tooLarge && checkPixelsize(grid).ok()) {
    note = tooLargeNote(plan, extents, grid.pixelsize);
    if (!status.ok()) status.reason += "; " + note;
  }
  return status;
}

std::string gridFingerprint(std::string_view gridText) {
  return hashText(
      fnv1a({reinterpret_cast<const unsigned char*>(gridText.data()), gridText.size()}));
}

Status readPlannedGrid(const std::string& dir, const BatchPlan& plan, MapParams& grid) {
  const std::string path = dir + "/" + GRID_FILE;
  std::vector<unsigned char> bytes;
  if (Status status = readFileBytes(path, bytes); !status.ok()) {
    return fileFault(status.reason +
                         "; run the batch again with the same projects and options to "
                         "write it anew",
                     path);
  }
  if (gridFingerprint({reinterpret_cast<const char*>(bytes.data()), bytes.size()}) != plan.grid) {
    return fileFault(
        "not the map grid the batch was planned with; restore it, or delete "
        "batch.json and grid.master to plan the batch again",
        path);
  }
  grid = MapParams{};
  parseMapTemplate(bytes, grid);
  if (grid.width <= 0 || grid.length <= 0 || !(grid.pixelsize > 0.0)) {
    return fileFault("a map grid without cells", path);
  }
  return {};
}

}  // namespace quorvel::batch
