#include "batch/task_state.h"

#include "batch/task_lock.h"

namespace quorvel::batch {

std::vector<TaskState> taskStates(const std::string& dir, const BatchPlan& plan,
                                  const MapParams* grid) {
  std::vector<TaskState> states;
  for (size_t k = 0; k < plan.tasks.size(); ++k) {
    TaskState state{&plan.tasks[k], checkTask(dir, plan, k, grid), "done"};
    if (!state.check.done) {
      const std::string lock = dir + "/" + state.task->folder + "/" + TASK_LOCK;
      state.state = claimedElsewhere(lock) ? "running" : state.check.ran ? "failed" : "not run";
      if (claimedElsewhere(lock)) state.check.why = "running elsewhere";
    }
    states.push_back(std::move(state));
  }
  return states;
}

}  // namespace quorvel::batch
