// DIR/index.html with DIR/view/: the batch at a glance, a page that works from the folder alone
// (opened as a file, or from any static server; it fetches nothing from elsewhere, and every
// link in it is relative, so the folder may be moved or copied). Browsers give a page opened
// as a file no local JSON, so its data are scripts assigning globals: view/batch.js (the run's
// figures, every task's state, record and track) and view/tiles.js (the map layers made by the
// merge, batch/map_tiles.h; none until then).
//
// `batch` writes the page before its first task runs, the local pool's follower rewrites
// view/batch.js as tasks start and end (a reload shows them), every merge writes it all again.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/map_tiles.h"
#include "batch/merge.h"
#include "batch/plan.h"
#include "batch/task_state.h"
#include "export/map_params.h"
#include "scan/status.h"

namespace quorvel::batch {

inline constexpr const char* PAGE_DATA = "view/batch.js";
inline constexpr const char* PAGE_TILES = "view/tiles.js";
inline constexpr const char* PAGE_START = "view/start.json";  // the command and its start time

// Before the first task: the command that started the batch (kept for the merges that follow,
// which may run elsewhere: the Slurm merge job), the page's files, every task as it is.
Status writePlannedPage(const std::string& dir, const std::string& command, const BatchPlan& plan,
                        const MapParams* grid, const std::vector<TaskState>& states);

// After a merge: the page's files again, the run's figures from thisRun when the merge follows
// the batch's own tasks, else from the batch's start to its last task; the tiles made with
// the mosaics (batch/map_tiles.h).
Status writeMergedPage(const std::string& dir, const BatchPlan& plan, const MapParams* grid,
                       const std::vector<TaskState>& states, std::optional<ThisRun> thisRun,
                       PageTiles& tiles);

// view/batch.js as the local pool runs the tasks: a task that starts is running, one that ends
// is as its record says; written again at most once a second (failures to write are left to
// the merge, which writes it all again).
class PageFollower {
 public:
  PageFollower(std::string dir, const BatchPlan& plan, std::optional<MapParams> grid,
               std::vector<TaskState> states);
  // Task k started (ended: null) or ended; k < 0: nothing changed, time passed.
  void taskChanged(int64_t k, const TaskRecord* ended);

 private:
  using Clock = std::chrono::steady_clock;
  std::string dir_;
  const BatchPlan& plan_;
  std::optional<MapParams> grid_;
  std::vector<TaskState> states_;
  int64_t samples_ = 0;  // of the tasks done since it began
  Clock::time_point begun_ = Clock::now();
  Clock::time_point written_{};
  bool changed_ = false;
};

}  // namespace quorvel::batch
