// The tasks of a batch on this machine: each one its own `quorvel task` process, so that a task
// that fails or crashes fails alone, a given number at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "batch/plan.h"
#include "batch/task_record.h"

namespace quorvel::batch {

struct PoolOptions {
  std::string exe;        // the quorvel program
  std::string dir;        // the batch folder
  int jobs = 1;           // processes at a time
  int threads = 0;        // each task's worker threads
  bool progress = false;  // one line for the whole batch on standard error
  // Told as each task starts (ended: null) and ends (its record), and at every turn of the
  // pool's loop (k = -1), so that the batch page can follow the tasks.
  std::function<void(int64_t k, const TaskRecord* ended)> watch;
};

struct PoolResult {
  int done = 0;
  int failed = 0;
  int elsewhere = 0;     // tasks another runner had claimed: waited for, not run here
  int64_t samples = 0;   // of the tasks done here
  double seconds = 0.0;  // wall time
};

// Runs the given tasks of the plan; each process's output goes to its folder's task.log. A
// process that ends without writing its record (a crash, a kill) gets a failed record from here.
// A task that another runner has claimed (another batch on the same folder, `quorvel task` on
// another machine) is not run here: the pool waits until that claim ends, so that what follows
// (the merge) sees its record.
PoolResult runLocalPool(const BatchPlan& plan, const std::vector<int64_t>& tasks,
                        const PoolOptions& options, std::ostream& err);

}  // namespace quorvel::batch
