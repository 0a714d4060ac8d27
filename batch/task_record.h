// DIR/tasks/NAME-FIRST-LAST/task.json: what a batch task did and what it was computed from. It is
// written last, through the durable writer; whether a task counts as done is decided by
// batch/task_check.h from this record, the plan and the files as they are.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/task_inputs.h"
#include "pipeline/named_outputs.h"
#include "scan/status.h"

namespace quorvel::batch {

inline constexpr const char* TASK_RECORD = "task.json";

struct TaskRecord {
  bool done = false;
  std::string reason;  // why it failed: the messages it printed
  std::string project;
  int64_t first = 0;
  int64_t last = 0;
  int64_t samples = 0;                                  // of its own lines
  int64_t points = 0;                                   // valid world points of its own lines
  int64_t peakMemoryKiB = 0;                            // the task process's largest resident size
  std::optional<std::array<double, 4>> footprint;       // min x, min y, max x, max y
  std::vector<std::pair<std::string, double>> seconds;  // per stage, in order
  std::vector<std::pair<std::string, uint64_t>> files;  // its outputs and their sizes
  PlacedRasters rasters;                                // its map rasters on the grid
  std::vector<std::string> notes;  // outputs left out on purpose, e.g. a raster without cells
  std::vector<std::array<double, 2>> track;  // the vehicle's x, y along it (batch/vehicle_track.h)
  // What it was computed from: its input files, the plan's output options (their JSON text) and
  // the fingerprint of the batch's grid (empty without map rasters).
  TaskInputs inputs;
  std::string options;
  std::string grid;
  std::string runner;     // "HOST pid N": the process that ran it
  PoseFaults poseFaults;  // of its own lines
};

Status writeTaskRecord(const std::string& folder, const TaskRecord& record);
Status readTaskRecord(const std::string& folder, TaskRecord& record);

// The files of the folder (not the record, the log, the lock or temporary files), by name, with
// sizes.
std::vector<std::pair<std::string, uint64_t>> folderFiles(const std::string& folder);

}  // namespace quorvel::batch
