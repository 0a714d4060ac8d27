#include "batch/task_run.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "batch/grid.h"
#include "batch/plan.h"
#include "batch/task_check.h"
#include "batch/task_inputs.h"
#include "batch/task_lock.h"
#include "batch/task_log.h"
#include "batch/task_record.h"
#include "batch/vehicle_track.h"
#include "pipeline/report.h"
#include "pipeline/run_steps.h"
#include "scan/file_system.h"
#include "scan/point_box.h"
#include "scan/scan_line_crop.h"

namespace quorvel::batch {

namespace {

// The task's lines and the neighbours loaded with them.
struct TaskLines {
  int32_t before = 0;  // neighbour lines loaded before the task's first
  int32_t own = 0;
  int32_t after = 0;
};

TaskLines taskLines(const PlannedTask& task, const PlannedProject& project) {
  const int64_t after = std::clamp<int64_t>(project.lines - 1 - task.last, 0, TASK_NEIGHBOUR_LINES);
  return {static_cast<int32_t>(std::min<int64_t>(task.first, TASK_NEIGHBOUR_LINES)),
          static_cast<int32_t>(taskLineCount(task)), static_cast<int32_t>(after)};
}

int threadsFor(const BatchPlan& plan, std::optional<int> threads) {
  if (threads) return *threads;
  if (plan.options.threads > 0) return plan.options.threads;
  const char* slurmCpus = std::getenv("SLURM_CPUS_PER_TASK");
  return slurmCpus ? std::max(std::atoi(slurmCpus), 0) : 0;
}

bool loadTaskLines(const ProjectRecords& project, const PlannedProject& planned,
                   const PlannedTask& task, const TaskLines& lines, StageTimer& timer,
                   std::ostream& err) {
  const LineWindow window{task.first - lines.before, lines.before + lines.own + lines.after};
  return timer.time("load", [&] {
    if (!loadProjectOrReport(project, planned.mdl, err, window)) return false;
    if (project.store.lineCount == window.count) return true;
    reportFailure(err, "Load Ds file failure.", planned.mdl,
                  "the DS file has changed since the batch was planned: " +
                      std::to_string(project.store.lineCount) + " of the " +
                      std::to_string(window.count) + " scan lines planned from line " +
                      std::to_string(window.first));
    return false;
  });
}

// The request of every output of the task: its folder, the drive's line numbers, the map
// rasters on the batch's grid covering only the cells the task's points reach.
OutputRequest taskRequest(const std::string& dir, const BatchPlan& plan, const PlannedTask& task,
                          const std::string& folder) {
  OutputRequest request;
  request.folder = folder;
  request.projectName = std::filesystem::path(plan.projects[task.project].mdl).filename().string();
  request.epsg = plan.options.epsg;
  request.firstLine = static_cast<int32_t>(task.first);
  request.mapCoverage = MapCoverage::ItsPoints;
  if (planHasMaps(plan)) request.mapTemplate = dir + "/grid.master";
  return request;
}

// What the task read: the files it was computed from, identified once its lines are loaded.
bool identifyTaskInputs(const ProjectRecords& project, const PlannedProject& planned,
                        const LineWindow& window, std::ostream& err, TaskInputs& inputs) {
  const ProjectPaths& paths = project.paths;
  const Status status = identifyInputs(
      planned.mdl, resolveProjectPath(planned.mdl, paths.directory + paths.calibName),
      resolveProjectPath(planned.mdl, paths.directory + paths.dsName), project.store, window,
      inputs);
  if (!status.ok()) reportFailure(err, "Task input failure.", status.file, status.reason);
  return status.ok();
}

bool runSteps(const ProjectRecords& project, const std::string& dir, const BatchPlan& plan,
              const PlannedTask& task, const std::string& folder, StageTimer& timer,
              std::ostream& out, std::ostream& err, TaskRecord& record) {
  const PlannedProject& planned = plan.projects[task.project];
  if (!planned.unreadable.empty()) {
    err << planned.unreadable << "; it could not be read when the batch was planned: run the "
        << "batch again to plan it once it can be read\n";
    return false;
  }
  const TaskLines lines = taskLines(task, planned);
  if (!loadTaskLines(project, planned, task, lines, timer, err)) return false;
  record.poseFaults =
      faultsWithin(applyPoseOptions(plan.options, project), task.first, task.last + 1);
  const LineWindow window{task.first - lines.before, lines.before + lines.own + lines.after};
  if (!identifyTaskInputs(project, planned, window, err, record.inputs)) return false;
  record.track = vehicleTrack(project.store, lines.before, lines.own);
  if (!runLineStages(project, plan.options, timer, err)) return false;
  OutputRequest request = taskRequest(dir, plan, task, folder);
  WrittenOutput written;
  const auto write = [&](const std::string& name) {
    return writeOutputReported(project, name, request, timer, out, err, &written);
  };
  bool allWritten = true;
  request.columns = PictureColumns{lines.before, lines.own};
  for (const std::string& name : plan.options.images) allWritten &= write(name);
  request.columns.reset();
  keepScanLines(project.store, lines.before, lines.own);
  if (!runRegionStage(project, plan.options, timer)) return false;
  if (plan.options.dump) {
    for (const std::string& name : outputNames(OutputKind::Dump)) allWritten &= write(name);
  }
  for (const std::string& name : plan.options.exports) allWritten &= write(name);
  record.rasters = written.rasters;
  record.notes = written.notes;
  const PointBox box = validPointBox(project.store, project.calib);
  record.samples = int64_t{lines.own} * project.store.pointsPerLine;
  record.points = box.valid;
  if (box.valid > 0) record.footprint = {box.min[0], box.min[1], box.max[0], box.max[1]};
  return allWritten;
}

std::string runnerName() {
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  return std::string(host) + " pid " + std::to_string(getpid());
}

// Runs the claimed task and writes its record; the exit status.
int runClaimedTask(const std::string& dir, const BatchPlan& plan, const PlannedTask& task,
                   std::optional<int> threads, std::ostream& out, std::ostream& err) {
  const std::string folder = dir + "/" + task.folder;
  removeFile(folder + "/" + TASK_RECORD);  // no record says done while the task runs again
  const ProjectRecords project = processRecords();
  RunOptions options = plan.options;
  options.threads = threadsFor(plan, threads);
  applyRunOptions(options, project);
  std::ostringstream failures;  // what the task reports, kept for its record
  StageTimer timer(err, plan.options.timings);
  TaskRecord record;
  record.project = plan.projects[task.project].name;
  record.first = task.first;
  record.last = task.last;
  record.options = outputOptionsText(plan.options);
  record.grid = plan.grid;
  record.runner = runnerName();
  record.done = runSteps(project, dir, plan, task, folder, timer, out, failures, record);
  warnPoseFaults(err, plan.projects[task.project].mdl, record.poseFaults,
                 plan.options.dropPoseGlitches);
  record.reason = failures.str();
  if (!record.reason.empty() && record.reason.back() == '\n') record.reason.pop_back();
  record.seconds = timer.stages();
  record.files = folderFiles(folder);
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) record.peakMemoryKiB = usage.ru_maxrss;
  err << failures.str();
  if (Status status = writeTaskRecord(folder, record); !status.ok()) {
    reportFailure(err, "Task record failure.", status.file, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  return record.done ? EXIT_OK : EXIT_FAILURE_REPORTED;
}

}  // namespace

int runTask(const std::string& dir, int64_t k, std::optional<int> threads, std::ostream& out,
            std::ostream& err) {
  BatchPlan plan;
  if (Status status = readPlan(dir, plan); !status.ok()) {
    reportFailure(err, "Batch plan failure.", dir + "/batch.json", status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  if (k < 0 || static_cast<size_t>(k) >= plan.tasks.size()) {
    err << "quorvel task: no task " << k << " in " << dir << " (" << plan.tasks.size()
        << " tasks)\n";
    return EXIT_USAGE;
  }
  const PlannedTask& task = plan.tasks[static_cast<size_t>(k)];
  const std::string folder = dir + "/" + task.folder;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    reportFailure(err, "Output folder failure.", folder, error.message());
    return EXIT_FAILURE_REPORTED;
  }
  Claim claim;
  bool held = false;
  if (Status status = claim.take(folder + "/" + TASK_LOCK, false, held); !status.ok()) {
    reportFailure(err, "Task claim failure.", status.file, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  MapParams grid;
  if (Status status = planHasMaps(plan) ? readPlannedGrid(dir, plan, grid) : Status{};
      !held && !status.ok()) {
    reportFailure(err, "Batch grid failure.", status.file, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  const bool doneBefore =
      !held &&
      checkTask(dir, plan, static_cast<size_t>(k), planHasMaps(plan) ? &grid : nullptr).done;
  if (held || doneBefore) {  // silent under the pool: its output is the other runner's log
    if (!outputIsTaskLog(folder)) {
      out << "Task " << k << " (" << task.folder << ") is "
          << (held ? "running elsewhere: left to it"
                   : "done already (delete its task.json to run it again)")
          << "\n";
    }
    return EXIT_CLAIMED_ELSEWHERE;
  }
  TaskLog log(folder, "quorvel task " + dir + " " + std::to_string(k), out, err);
  return runClaimedTask(dir, plan, task, threads, log.out(), log.err());
}

}  // namespace quorvel::batch
