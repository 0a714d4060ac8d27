// `quorvel task DIR [K]`: runs task K of the batch planned in DIR. It loads only the task's
// scan lines of its project, with the few neighbours on each side that the surface estimation
// looks at, so that every output that depends only on nearby lines equals an unsplit run's for
// those lines; the region segmentation sees the task's own lines only. Writes into
// DIR/tasks/NAME-FIRST-LAST/ the files `quorvel run` would, and last task.json.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace quorvel::batch {

// Exit status 0 when the task is done, 1 when it failed (its record says why), 2 for a task
// number outside the plan. threads overrides the plan's thread count.
int runTask(const std::string& dir, int64_t task, std::optional<int> threads, std::ostream& out,
            std::ostream& err);

}  // namespace quorvel::batch
