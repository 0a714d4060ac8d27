#include "batch/batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "batch/grid.h"
#include "batch/local_pool.h"
#include "batch/merge.h"
#include "batch/plan.h"
#include "batch/slurm_submit.h"
#include "batch/task_record.h"
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

// Keeps the plan already in DIR when it is the same batch (the grid then stays too).
Status settlePlan(const std::string& dir, const BatchPlan& plan, bool& fresh) {
  BatchPlan existing;
  fresh = !std::filesystem::exists(dir + "/batch.json");
  if (fresh) return {};
  if (Status status = readPlan(dir, existing); !status.ok()) return status;
  if (!samePlan(existing, plan)) {
    return fault("a different batch is planned in this folder", dir + "/batch.json", "",
                 "use another --out folder, or the same projects and options");
  }
  return {};
}

// Warns, before any task runs, of a grid too large for a mosaic.
Status writePlanFiles(const std::string& dir, const BatchPlan& plan, bool fresh,
                      std::ostream& err) {
  const std::string gridPath = dir + "/grid.master";
  if (planHasMaps(plan) && (fresh || !std::filesystem::exists(gridPath))) {
    MapParams grid;
    std::string note;
    if (Status status = batchGrid(plan, grid, note); !status.ok()) return status;
    if (!note.empty()) {
      err << "Batch grid warning: " << gridPath << " (" << grid.width << " x " << grid.length
          << " cells, too many for a mosaic; " << note << ")\n";
    }
    if (Status status = writeWholeFile(gridPath, mapHeaderText(grid, MapHeaderKind::Count));
        !status.ok()) {
      return status;
    }
  }
  return writeWholeFile(dir + "/batch.json", planJson(plan));
}

std::vector<int64_t> pendingTasks(const std::string& dir, const BatchPlan& plan) {
  std::vector<int64_t> pending;
  for (size_t k = 0; k < plan.tasks.size(); ++k) {
    if (!isTaskDone(dir + "/" + plan.tasks[k].folder)) pending.push_back(static_cast<int64_t>(k));
  }
  return pending;
}

int runLocally(const BatchOptions& options, const std::string& dir, const BatchPlan& plan,
               const std::vector<int64_t>& pending, std::ostream& out, std::ostream& err) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  PoolOptions pool{programPath(), dir, options.jobs > 0 ? options.jobs : std::max(1, cores / 2),
                   options.run.threads, !options.quiet && isatty(2)};
  if (pool.threads == 0) pool.threads = std::max(1, cores / pool.jobs);
  out << "Running " << pending.size() << " of " << plan.tasks.size() << " tasks, " << pool.jobs
      << " at a time (" << plan.tasks.size() - pending.size() << " done before)\n";
  const PoolResult result = runLocalPool(plan, pending, pool, err);
  return runMerge(dir, result.seconds, out, err);
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
  BatchPlan plan = planBatch(options.projects, options.chunkLines, options.run);
  bool fresh = false;
  if (Status status = settlePlan(dir, plan, fresh); !status.ok()) {
    err << "quorvel batch: " << status.reason << "\n";
    return EXIT_USAGE;
  }
  if (Status status = writePlanFiles(dir, plan, fresh, err); !status.ok()) {
    reportFailure(err, "Batch plan failure.", status.file.empty() ? dir : status.file,
                  status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  const std::vector<int64_t> pending = pendingTasks(dir, plan);
  if (!options.slurm) return runLocally(options, dir, plan, pending, out, err);
  const Status submitted = submitToSlurm({programPath(), dir, options.sbatchOptions}, pending, out);
  if (!submitted.ok()) {
    reportFailure(err, "Slurm submission failure.", dir, submitted.reason);
    return EXIT_FAILURE_REPORTED;
  }
  return EXIT_OK;
}

}  // namespace quorvel::batch
