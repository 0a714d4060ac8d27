// Whether a planned task counts as done: its record says done, for the plan's lines, output
// options and grid, its files are all there with their sizes, its map rasters lie on the grid,
// and its input files are still the ones it read. Anything else names why it runs again.
#pragma once

#include <string>

#include "batch/plan.h"
#include "batch/task_record.h"
#include "export/map_params.h"

namespace quorvel::batch {

struct TaskCheck {
  bool done = false;
  bool ran = false;  // a record is there (done or failed)
  std::string why;   // why it is not done: "not run yet", its failure, or what changed since
  TaskRecord record;
};

// Checks task k of the plan in DIR; grid: the batch's grid when the plan has map rasters.
TaskCheck checkTask(const std::string& dir, const BatchPlan& plan, size_t k, const MapParams* grid);

}  // namespace quorvel::batch
