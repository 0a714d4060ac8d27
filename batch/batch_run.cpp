#include "batch/batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "batch/batch_page.h"
#include "batch/grid.h"
#include "batch/local_pool.h"
#include "batch/merge.h"
#include "batch/plan.h"
#include "batch/slurm_submit.h"
#include "batch/task_state.h"
#include "export/map_files.h"
#include "pipeline/report.h"
#include "scan/output_file.h"

namespace quorvel::batch {

namespace {

std::string programPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("quorvel") : self.string();
}

// The plan to run: the fresh one for a new folder, else the folder's plan, planned again where
// that is safe. A fault is a usage error (another batch, a drive that changed), except for a plan
// that cannot be read (`unreadable`).
Status choosePlan(const std::string& dir, const BatchPlan& fresh, BatchPlan& plan, bool& replanned,
                  bool& unreadable) {
  unreadable = false;
  replanned = true;
  if (!std::filesystem::exists(dir + "/batch.json")) {
    plan = fresh;
    return {};
  }
  BatchPlan existing;
  if (Status status = readPlan(dir, existing); !status.ok()) {
    unreadable = true;
    return status;
  }
  return settlePlan(existing, fresh, plan, replanned);
}

// Writes grid.master for a plan made now; for a kept plan, writes it again when it is missing
// (it must come out as planned) and otherwise checks it. Warns, before any task runs, of a project
// whose points spread over more cells than its tasks' rasters can hold.
Status settleGrid(const std::string& dir, BatchPlan& plan, bool replanned, std::ostream& err) {
  if (!planHasMaps(plan)) {
    plan.grid.clear();
    return {};
  }
  const std::string path = dir + "/" + GRID_FILE;
  if (!replanned && std::filesystem::exists(path)) {
    MapParams grid;
    return readPlannedGrid(dir, plan, grid);
  }
  MapParams grid;
  std::string note;
  if (Status status = batchGrid(plan, grid, note); !status.ok()) return status;
  if (!note.empty()) {
    err << "Batch grid warning: " << path << " (" << grid.width << " x " << grid.length
        << " cells, more than a task's raster holds; " << note << ")\n";
  }
  const std::string text = mapHeaderText(grid, MapHeaderKind::Count);
  if (!replanned && gridFingerprint(text) != plan.grid) {
    return fileFault(
        "missing, and the grid made again from the projects differs from the one "
        "the batch was planned with; delete batch.json to plan the batch again",
        path);
  }
  plan.grid = gridFingerprint(text);
  return writeWholeFile(path, text);
}

// The tasks to run; says why a task that was done runs again.
std::vector<int64_t> pendingTasks(const std::vector<TaskState>& states, std::ostream& out) {
  std::vector<int64_t> pending;
  for (size_t k = 0; k < states.size(); ++k) {
    const TaskCheck& check = states[k].check;
    if (check.done) continue;
    if (check.ran && check.record.done) {
      out << "Task " << states[k].task->folder << " runs again: " << check.why << "\n";
    }
    pending.push_back(static_cast<int64_t>(k));
  }
  return pending;
}

int runLocally(const BatchOptions& options, const std::string& dir, const BatchPlan& plan,
               const std::vector<int64_t>& pending, PageFollower& page, std::ostream& out,
               std::ostream& err) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  PoolOptions pool{programPath(),
                   dir,
                   options.jobs > 0 ? options.jobs : std::max(1, cores / 2),
                   options.run.threads,
                   !options.quiet && isatty(2),
                   [&page](int64_t k, const TaskRecord* ended) { page.taskChanged(k, ended); }};
  if (pool.threads == 0) pool.threads = std::max(1, cores / pool.jobs);
  out << "Running " << pending.size() << " of " << plan.tasks.size() << " tasks, " << pool.jobs
      << " at a time (" << plan.tasks.size() - pending.size() << " done before)\n";
  const PoolResult result = runLocalPool(plan, pending, pool, err);
  const ThisRun run{result.done + result.failed, result.elsewhere, result.samples, result.seconds};
  return runMerge(dir, run, out, err);
}

}  // namespace

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  const std::string dir = std::filesystem::absolute(options.outDir).lexically_normal().string();
  std::error_code error;
  std::filesystem::create_directories(dir + "/tasks", error);  // Slurm's logs go there first
  if (error) {
    reportFailure(err, "Output folder failure.", dir, error.message());
    return EXIT_FAILURE_REPORTED;
  }
  const BatchPlan fresh = planBatch(options.projects, options.chunkLines, options.run);
  if (Status status = checkDistinctDrives(options.projects, fresh); !status.ok()) {
    err << "quorvel batch: " << status.reason << "\n";
    return EXIT_USAGE;
  }
  BatchPlan plan;
  bool replanned = false, unreadable = false;
  if (Status status = choosePlan(dir, fresh, plan, replanned, unreadable); !status.ok()) {
    if (unreadable) {
      reportFailure(err, "Batch plan failure.", dir + "/batch.json", status.reason);
      return EXIT_FAILURE_REPORTED;
    }
    err << "quorvel batch: " << status.reason << "\n";
    return EXIT_USAGE;
  }
  plan.options.threads = options.run.threads;
  plan.options.timings = options.run.timings;
  if (Status status = settleGrid(dir, plan, replanned, err); !status.ok()) {
    reportFailure(err, "Batch grid failure.", status.file.empty() ? dir : status.file,
                  status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  if (Status status = writeWholeFile(dir + "/batch.json", planJson(plan)); !status.ok()) {
    reportFailure(err, "Batch plan failure.", status.file, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  MapParams grid;
  const bool maps = planHasMaps(plan) && readPlannedGrid(dir, plan, grid).ok();
  const std::vector<TaskState> states = taskStates(dir, plan, maps ? &grid : nullptr);
  const std::vector<int64_t> pending = pendingTasks(states, out);
  if (Status status = writePlannedPage(dir, options.command, plan, maps ? &grid : nullptr, states);
      !status.ok()) {
    reportFailure(err, "Batch page failure.", status.file.empty() ? dir : status.file,
                  status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  if (!options.slurm) {
    PageFollower page(dir, plan, maps ? std::optional(grid) : std::nullopt, states);
    return runLocally(options, dir, plan, pending, page, out, err);
  }
  const Status submitted = submitToSlurm({programPath(), dir, options.sbatchOptions}, pending, out);
  if (!submitted.ok()) {
    reportFailure(err, "Slurm submission failure.", dir, submitted.reason);
    return EXIT_FAILURE_REPORTED;
  }
  return EXIT_OK;
}

}  // namespace quorvel::batch
