// `quorvel merge DIR`: what belongs together across the tasks of a batch, in files other tools
// open: DIR/mosaic/map-h.tif (the count rasters of all done tasks summed on the batch's grid,
// 255 at most, as one run over the same points counts them) when count rasters are asked for,
// DIR/mosaic/map-r.tif (road height in metres, Float32, the mean where tasks overlap, NaN where
// no task has road) when road height rasters are, DIR/mosaic/points.vpc (every done task's LAS
// file as one point cloud) when LAS files are, DIR/mosaic/kerbs.geojson (the kerb lines of all
// done tasks, when asked for: kerb_mosaic.h), DIR/tiles.geojson (each task's footprint and
// properties) and DIR/report.json; then the summary. The plan and the grid are checked before
// anything is written; a task counts as done only as batch/task_check.h says. Merges of one
// folder take turns (a claim on DIR/merge.lock).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace quorvel::batch {

// What the batch command that merges has run itself.
struct ThisRun {
  int tasks = 0;         // run here, done or failed
  int elsewhere = 0;     // claimed by another runner, waited for
  int64_t samples = 0;   // of the tasks done here
  double seconds = 0.0;  // wall time of the tasks
};

// Exit status 0 when every task is done and the merge wrote its files, 1 otherwise (nothing is
// written when the plan or the grid cannot be trusted).
int runMerge(const std::string& dir, std::optional<ThisRun> thisRun, std::ostream& out,
             std::ostream& err);

}  // namespace quorvel::batch
