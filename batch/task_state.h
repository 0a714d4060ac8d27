// What each task of a batch is now, as the merge and the batch page show it: done (as
// batch/task_check.h decides), running (claimed by a runner now), failed (it ran and is not
// done, with the reason) or not run.
#pragma once

#include <string>
#include <vector>

#include "batch/plan.h"
#include "batch/task_check.h"
#include "export/map_params.h"

namespace quorvel::batch {

struct TaskState {
  const PlannedTask* task = nullptr;
  TaskCheck check;         // its record and why it is not done
  const char* state = "";  // done, failed, not run, running
};

// Every task of the plan in DIR, in the plan's order; grid: the batch's grid when the plan has
// map rasters.
std::vector<TaskState> taskStates(const std::string& dir, const BatchPlan& plan,
                                  const MapParams* grid);

}  // namespace quorvel::batch
