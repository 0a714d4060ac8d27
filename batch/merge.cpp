#include "batch/merge.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

#include "batch/grid.h"
#include "batch/mosaic.h"
#include "batch/plan.h"
#include "batch/pose_faults_json.h"
#include "batch/task_record.h"
#include "pipeline/report.h"
#include "scan/file_bytes.h"
#include "scan/output_file.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

struct TaskState {
  const PlannedTask* task = nullptr;
  TaskRecord record;  // a failed record without reason when the task left none
};

std::vector<TaskState> taskStates(const std::string& dir, const BatchPlan& plan) {
  std::vector<TaskState> states;
  for (const PlannedTask& task : plan.tasks) {
    TaskState state{&task, {}};
    const std::string folder = dir + "/" + task.folder;
    if (!readTaskRecord(folder, state.record).ok()) {
      state.record.reason = "no task record: the task has not run or did not finish";
    } else if (state.record.done && !isTaskDone(folder)) {
      state.record.done = false;
      state.record.reason = "an output file is missing or has changed since the task ran";
    }
    states.push_back(std::move(state));
  }
  return states;
}

double taskSeconds(const TaskRecord& record) {
  double total = 0.0;
  for (const auto& stage : record.seconds) total += stage.second;
  return total;
}

json footprintJson(const std::array<double, 4>& box) {
  return {{"type", "Polygon"},
          {"coordinates",
           {{{box[0], box[1]},
             {box[2], box[1]},
             {box[2], box[3]},
             {box[0], box[3]},
             {box[0], box[1]}}}}};
}

std::string tilesGeoJson(const BatchPlan& plan, const std::vector<TaskState>& states) {
  json features = json::array();
  for (const TaskState& state : states) {
    const TaskRecord& r = state.record;
    json files = json::array();
    for (const auto& file : r.files) files.push_back(state.task->folder + "/" + file.first);
    features.push_back({{"type", "Feature"},
                        {"geometry", r.footprint ? footprintJson(*r.footprint) : json(nullptr)},
                        {"properties",
                         {{"project", plan.projects[state.task->project].name},
                          {"first", state.task->first},
                          {"last", state.task->last},
                          {"state", r.done ? "done" : "failed"},
                          {"reason", r.reason},
                          {"points", r.points},
                          {"samples", r.samples},
                          {"seconds", taskSeconds(r)},
                          {"files", files}}}});
  }
  json collection = {{"type", "FeatureCollection"}, {"features", features}};
  if (plan.options.epsg) {
    collection["crs"] = {
        {"type", "name"},
        {"properties", {{"name", "urn:ogc:def:crs:EPSG::" + std::to_string(*plan.options.epsg)}}}};
  }
  return collection.dump(1) + "\n";
}

std::vector<MosaicTile> mosaicTiles(const std::string& dir, const std::vector<TaskState>& states,
                                    const std::string& base) {
  std::vector<MosaicTile> tiles;
  for (const TaskState& state : states) {
    const auto found = state.record.rasters.find(base);
    if (!state.record.done || found == state.record.rasters.end()) continue;
    tiles.push_back({dir + "/" + state.task->folder + "/" + base + ".raw", found->second});
  }
  return tiles;
}

// The mosaics, when the plan has map rasters; a note when the grid is too large for them.
Status writeMosaics(const std::string& dir, const BatchPlan& plan,
                    const std::vector<TaskState>& states, json& report) {
  if (!planHasMaps(plan)) return {};
  std::vector<unsigned char> bytes;
  if (Status status = readFileBytes(dir + "/grid.master", bytes); !status.ok()) return status;
  MapParams grid;
  parseMapTemplate(bytes, grid);
  const int64_t cells = int64_t{grid.width} * grid.length;
  if (cells > MOSAIC_CELL_LIMIT) {
    report["mosaicNote"] = "the grid of " + std::to_string(grid.width) + " x " +
                           std::to_string(grid.length) +
                           " cells is too large for one raster: the tasks' rasters are kept";
    return {};
  }
  std::filesystem::create_directories(dir + "/mosaic");
  Status status = writeCountMosaic(dir + "/mosaic/map-h.tif", grid,
                                   mosaicTiles(dir, states, "map-h"), plan.options.epsg);
  if (status.ok()) {
    status = writeRoadMosaic(dir + "/mosaic/map-r.tif", grid, mosaicTiles(dir, states, "map-r"),
                             plan.options.epsg);
  }
  if (status.ok()) report["mosaics"] = {"mosaic/map-h.tif", "mosaic/map-r.tif"};
  return status;
}

json reportJson(const std::vector<TaskState>& states, std::optional<double> wallSeconds) {
  json failures = json::array();
  int64_t samples = 0, points = 0, peakMemoryKiB = 0;
  double seconds = 0.0;
  int done = 0;
  json poseFaults = json::array();  // the tasks whose lines have pose faults
  for (const TaskState& state : states) {
    if (state.record.poseFaults.any()) {
      json faults = poseFaultsJson(state.record.poseFaults);
      faults["task"] = state.task->folder;
      poseFaults.push_back(faults);
    }
    if (!state.record.done) {
      failures.push_back({{"task", state.task->folder}, {"reason", state.record.reason}});
      continue;
    }
    ++done;
    samples += state.record.samples;
    points += state.record.points;
    peakMemoryKiB = std::max(peakMemoryKiB, state.record.peakMemoryKiB);
    seconds += taskSeconds(state.record);
  }
  json report = {{"tasks", states.size()}, {"done", done},     {"failed", failures.size()},
                 {"samples", samples},     {"points", points}, {"taskSeconds", seconds},
                 {"failures", failures}};
  report["largestTaskMemoryKiB"] = peakMemoryKiB;
  report["poseFaults"] = poseFaults;
  if (wallSeconds) report["wallSeconds"] = *wallSeconds;
  const double time = wallSeconds.value_or(seconds);
  report["samplesPerSecond"] = time > 0 ? samples / time : 0.0;
  return report;
}

void printSummary(const std::string& dir, const json& report, std::ostream& out) {
  out << "Batch " << dir << ": " << report["done"].get<int>() << " of "
      << report["tasks"].get<size_t>() << " tasks done, " << report["failed"].get<size_t>()
      << " failed\n";
  for (const json& failure : report["failures"]) {
    std::string reason = failure["reason"];
    if (const size_t end = reason.find('\n'); end != std::string::npos) reason.resize(end);
    out << "  failed " << failure["task"].get<std::string>() << ": " << reason << "\n";
  }
  char line[160];
  std::snprintf(line, sizeof line, "Samples: %lld in %.1f s, %.0f samples per second\n",
                static_cast<long long>(report["samples"].get<int64_t>()),
                report.value("wallSeconds", report["taskSeconds"].get<double>()),
                report["samplesPerSecond"].get<double>());
  out << line;
  out << "Largest task memory: " << report["largestTaskMemoryKiB"].get<int64_t>() / 1024
      << " MiB\n";
  if (report.contains("mosaicNote"))
    out << "Mosaic: " << report["mosaicNote"].get<std::string>() << "\n";
}

}  // namespace

int runMerge(const std::string& dir, std::optional<double> wallSeconds, std::ostream& out,
             std::ostream& err) {
  BatchPlan plan;
  if (Status status = readPlan(dir, plan); !status.ok()) {
    reportFailure(err, "Batch plan failure.", dir + "/batch.json", status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  const std::vector<TaskState> states = taskStates(dir, plan);
  json report = reportJson(states, wallSeconds);
  Status status = writeMosaics(dir, plan, states, report);
  if (status.ok()) status = writeWholeFile(dir + "/tiles.geojson", tilesGeoJson(plan, states));
  if (status.ok()) status = writeWholeFile(dir + "/report.json", report.dump(2) + "\n");
  printSummary(dir, report, out);
  if (!status.ok()) {
    reportFailure(err, "Merge failure.", status.file.empty() ? dir : status.file, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  return report["failed"].get<size_t>() == 0 ? EXIT_OK : EXIT_FAILURE_REPORTED;
}

}  // namespace quorvel::batch
