// The plan of a batch: its projects, their tasks (runs of consecutive scan lines) and the run
// options every task applies, kept in DIR/batch.json. Paths inside DIR are relative to DIR, so
// that DIR may be moved or mounted elsewhere; the projects' MDL files are named absolutely.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/run_options.h"
#include "scan/status.h"

namespace quorvel::batch {

inline constexpr int32_t DEFAULT_CHUNK_LINES = 5000;
// Lines loaded on each side of a task's own: the surface estimation looks 3 lines away, and the
// variance of a line uses the residuals of its neighbours.
inline constexpr int32_t TASK_NEIGHBOUR_LINES = 4;

struct PlannedProject {
  std::string name;        // the MDL file's name without extension; unique within the batch
  std::string mdl;         // absolute path of the MDL file
  int64_t lines = 0;       // scan lines of its DS file
  std::string unreadable;  // why its files could not be read at planning time, or empty
};

struct PlannedTask {
  int32_t project = 0;  // index into the projects
  int64_t first = 0;    // the task's scan lines, inclusive
  int64_t last = 0;
  std::string folder;  // "tasks/NAME-FIRST-LAST", relative to DIR
};

struct BatchPlan {
  int32_t chunkLines = DEFAULT_CHUNK_LINES;
  RunOptions options;  // project and outDir unused: each task has its own
  std::vector<PlannedProject> projects;
  std::vector<PlannedTask> tasks;
};

// Reads each project's MDL, calibration and DS header (not its scan lines) and splits its lines
// into tasks of at most chunkLines. A project whose files cannot be read gets one task, which
// fails with the load's message when it runs.
BatchPlan planBatch(const std::vector<std::string>& mdlPaths, int32_t chunkLines,
                    const RunOptions& options);

std::string planJson(const BatchPlan& plan);
Status parsePlanJson(const std::string& text, BatchPlan& plan);

// Plans are the same when their projects, tasks and every option that changes an output are;
// the thread count and timings may differ between runs of one batch.
bool samePlan(const BatchPlan& a, const BatchPlan& b);

Status readPlan(const std::string& dir, BatchPlan& plan);  // DIR/batch.json

int64_t taskLineCount(const PlannedTask& task);  // its own scan lines

}  // namespace quorvel::batch
