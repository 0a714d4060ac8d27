// The plan of a batch: its projects, their tasks (runs of consecutive scan lines) and the run
// options every task applies, kept in DIR/batch.json. Paths inside DIR are relative to DIR, so
// that DIR may be moved or mounted elsewhere; the projects' MDL files are named absolutely.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/run_options.h"
#include "scan/status.h"
#include "segment/carriageway_bounds.h"

namespace quorvel::batch {

inline constexpr int32_t DEFAULT_CHUNK_LINES = 5000;
// Lines loaded on each side of a task's own: as many as the surface classification pools (the
// surface estimation needs 4: it looks 3 lines away, and the variance of a line uses the
// residuals of its neighbours).
inline constexpr int32_t TASK_NEIGHBOUR_LINES = std::max(4, CARRIAGEWAY_NEIGHBOUR_LINES);

struct PlannedProject {
  std::string name;     // the MDL file's name without extension; unique within the batch
  std::string mdl;      // absolute path of the MDL file
  std::string ds;       // the DS file it names, absolute, symbolic links resolved
  uint64_t dsSize = 0;  // its size and modification time (ns) when planned
  int64_t dsModified = 0;
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
  std::string grid;  // fingerprint of DIR/grid.master when the plan has map rasters
};

// Reads each project's MDL, calibration and DS header (not its scan lines) and splits its lines
// into tasks of at most chunkLines. A project whose files cannot be read gets one task, which
// fails with the reason when it runs, until a later run of the batch plans it again.
BatchPlan planBatch(const std::vector<std::string>& mdlPaths, int32_t chunkLines,
                    const RunOptions& options);

// A drive is one drive: two entries naming the same MDL file, or MDL files naming the same DS
// file, are a fault naming both as given.
Status checkDistinctDrives(const std::vector<std::string>& mdlPaths, const BatchPlan& plan);

// The plan to go on with when DIR already holds one: the existing plan when the new one is the
// same; the new one where the only difference is a project that could not be read then (and can
// now, or still cannot); a fault naming what changed and what to do otherwise (other projects or
// options, a DS file whose scan line count changed, or, when the plan has map rasters, a DS file
// of another size or time than its grid was made from). `replanned` tells that the result is not
// the existing plan.
Status settlePlan(const BatchPlan& existing, const BatchPlan& fresh, BatchPlan& settled,
                  bool& replanned);

bool planHasMaps(const BatchPlan& plan);  // count-map, road-height or geotiff requested

// The options that change a task's outputs, as JSON text (kept in each task's record).
std::string outputOptionsText(const RunOptions& options);

std::string planJson(const BatchPlan& plan);
Status parsePlanJson(const std::string& text, BatchPlan& plan);

// Plans are the same when their projects, tasks and every option that changes an output are;
// the thread count, timings and the grid's fingerprint may differ between runs of one batch.
bool samePlan(const BatchPlan& a, const BatchPlan& b);

Status readPlan(const std::string& dir, BatchPlan& plan);  // DIR/batch.json

int64_t taskLineCount(const PlannedTask& task);  // its own scan lines

}  // namespace quorvel::batch
