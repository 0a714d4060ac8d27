#include "batch/task_check.h"

#include <algorithm>
#include <filesystem>

namespace quorvel::batch {

namespace {

bool onGrid(const RasterWindow& w, const MapParams& grid) {
  return w.firstColumn >= 0 && w.firstRow >= 0 && w.width >= 0 && w.length >= 0 &&
         w.width <= grid.width - w.firstColumn && w.length <= grid.length - w.firstRow;
}

bool filesAsRecorded(const std::string& folder, const TaskRecord& record) {
  return std::all_of(record.files.begin(), record.files.end(), [&](const auto& file) {
    std::error_code error;
    return std::filesystem::file_size(folder + "/" + file.first, error) == file.second && !error;
  });
}

// What differs between a done record and the plan or the files now; empty when nothing does.
std::string changeSince(const std::string& folder, const BatchPlan& plan, const PlannedTask& task,
                        const TaskRecord& record, const MapParams* grid) {
  if (record.first != task.first || record.last != task.last) {
    return "its record is of other scan lines";
  }
  if (record.options != outputOptionsText(plan.options)) {
    return "the output options changed since its task ran";
  }
  if (record.grid != plan.grid) return "the map grid changed since its task ran";
  for (const auto& [name, raster] : record.rasters) {
    if (!grid || !onGrid(raster.window, *grid)) return "its " + name + " raster lies off the grid";
  }
  if (!filesAsRecorded(folder, record)) {
    return "an output file is missing or has changed size since its task ran";
  }
  return inputChange(record.inputs);
}

}  // namespace

TaskCheck checkTask(const std::string& dir, const BatchPlan& plan, size_t k,
                    const MapParams* grid) {
  const PlannedTask& task = plan.tasks[k];
  const std::string folder = dir + "/" + task.folder;
  TaskCheck check;
  if (!std::filesystem::exists(folder + "/" + TASK_RECORD)) {
    check.why = "not run yet";
    return check;
  }
  if (Status status = readTaskRecord(folder, check.record); !status.ok()) {
    check.why = status.reason;
    return check;
  }
  check.ran = true;
  if (!check.record.done) {
    check.why = check.record.reason.empty() ? "failed" : check.record.reason;
    return check;
  }
  check.why = changeSince(folder, plan, task, check.record, grid);
  check.done = check.why.empty();
  return check;
}

}  // namespace quorvel::batch
