// `quorvel task DIR [K]`: runs task K of the batch planned in DIR. It loads only the task's
// scan lines of its project, with the few neighbours on each side that the surface estimation
// looks at, so that every output that depends only on nearby lines equals an unsplit run's for
// those lines; the region segmentation sees the task's own lines only. Writes into
// DIR/tasks/NAME-FIRST-LAST/ the files `quorvel run` would, and last task.json, which records
// what the task was computed from.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace quorvel::batch {

// Another process runs the task now, or has done it since this one was asked to run it.
inline constexpr int EXIT_CLAIMED_ELSEWHERE = 3;

// Exit status 0 when the task is done, 1 when it failed (its record says why) or the batch's plan
// or grid is not fit to run it (nothing is touched then), 2 for a task number outside the plan,
// EXIT_CLAIMED_ELSEWHERE when another process runs it now or it is done (a done task runs again
// only once its record is deleted or no longer fits). threads overrides the plan's thread count.
// The task is claimed while it runs (batch/task_lock.h), and its task.log replaced.
int runTask(const std::string& dir, int64_t task, std::optional<int> threads, std::ostream& out,
            std::ostream& err);

}  // namespace quorvel::batch
